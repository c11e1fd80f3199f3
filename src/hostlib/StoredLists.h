// The check of a design object's stored lists that the host makes before the wizard opens. The
// wizard reads the drivers and the data sources as families of parallel arrays; one that is of
// the wrong kind, shorter than its family or past the 16-bit limit would load only in part, and
// Finish would then write back only that part. Such an object is refused instead.
#pragma once

#include <string>

namespace lumora {

class DesignObject;

// "" when every list can be loaded whole; otherwise what is wrong, naming the property and
// `objectName` (the file, for messages).
std::string CheckStoredLists(DesignObject& object, const std::string& objectName);

}  // namespace lumora
