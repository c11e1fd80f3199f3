// WizAPI: path symbols. A real path in one of six well-known folders is rewritten as the
// folder's symbol, a backslash and the rest of the path ("<WINSYSDIR>\odbcjt32.dll").
#include <memory>

#include "contract/HostLibrary.h"
#include "contract/PathSymbols.h"
#include "contract/ProcessState.h"
#include "contract/Text.h"
#include "contract/Trap.h"
#include "services/WizAPI.h"

namespace lumora {
namespace {

// The byte length of the first `count` code points of UTF-8 `text` (all of it when shorter).
size_t CodePointPrefixBytes(std::string_view text, size_t count) {
  size_t i = 0;
  while (i < text.size() && count > 0) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    --count;
  }
  return i;
}

size_t CodePointCount(std::string_view text) {
  size_t n = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

}  // namespace

std::string WizAPI::ConvertPathToBVDestSymbol(const std::string& sDest) {
  std::string result = sDest;
  Trap("WizAPI:ConvertPathToBVDestSymbol", [&] {
    std::unique_ptr<SystemFolders> folders = component::Host().NewSystemFolders();
    if (!folders) Raise(kObjectNotSet);
    for (const PathSymbol& row : PathSymbolTable()) {
      const std::string folder = FolderPath(*folders, row.folder);
      if (StartsWithIgnoringCase(sDest, folder)) {
        // Upper-casing maps code point to code point, so the folder covers as many code
        // points of the path as it has itself.
        const size_t cut = CodePointPrefixBytes(sDest, CodePointCount(folder));
        result = std::string(row.symbol) + "\\" + sDest.substr(cut);
        return;
      }
    }
  });
  return result;
}

}  // namespace lumora
