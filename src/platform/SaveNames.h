// The names of the files a save makes beside a design object NAME, each saying what it is and
// each within the file system's limit (NAME_MAX bytes) whatever the length of NAME:
// ".NAME.lumora-new-XXXXXX", a new text on its way to replace the object by a rename, and
// ".NAME.lumora-save", the complete text of a rewrite in place, kept until the rewrite is done.
// A NAME too long to fit is cut at a character boundary and followed by "~" and eight hex digits
// of a hash of the whole name, so two long names that begin alike never share these files.
#pragma once

#include <string>

namespace lumora::savenames {

// `name` as it fits in `room` bytes (see above).
std::string Fitted(const std::string& name, size_t room);

// ".NAME.lumora-new-" and six random letters or digits.
std::string NewText(const std::string& objectName);
// True when `entry` has the form of a NewText name of the object (the letters aside).
bool IsNewText(const std::string& entry, const std::string& objectName);

// ".NAME.lumora-save".
std::string InterruptedSave(const std::string& objectName);

}  // namespace lumora::savenames
