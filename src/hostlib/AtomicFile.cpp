#include "hostlib/AtomicFile.h"

#include "platform/SafeSave.h"

namespace lumora {

void ReplaceFileAtomically(const std::string& path, const std::string& text, FileSystem& fs) {
  // Two writers of one file would each replace the other's text; a few seconds of waiting for
  // the other is enough for a file this small.
  ReplaceFile(fs, path, text, 0644, std::chrono::seconds(5));
}

}  // namespace lumora
