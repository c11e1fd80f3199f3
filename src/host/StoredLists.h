// The check of a design object's stored lists that the host makes before the wizard opens. The
// wizard reads the drivers and the data sources as families of parallel arrays; one that is of
// the wrong kind, shorter than its family or past the 16-bit limit would load only in part, and
// Finish would then write back only that part. Such an object is refused instead.
#pragma once

#include <cstdint>
#include <string>

#include "contract/Value.h"

namespace lumora {

class DesignObject;

// Lenient readers of a stored list for the host's own reports (show, export), which list what
// is there and never fail: element i as text or flag ("" or false when the list is shorter or
// not a list), and the list's upper bound (-1 when empty or not a list).
std::string StoredText(const Value& list, int32_t i);
bool StoredFlag(const Value& list, int32_t i);
int32_t StoredUpperBound(const Value& list);

// "" when every list can be loaded whole and the version DTDBVerNo, when stored, reads as a
// number; otherwise what is wrong, naming the property and
// `objectName` (the file, for messages).
std::string CheckStoredLists(DesignObject& object, const std::string& objectName);

}  // namespace lumora
