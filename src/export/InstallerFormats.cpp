#include "export/InstallerFormats.h"

#include "contract/HostError.h"
#include "contract/SharedLibrary.h"
#include "host/InstallTree.h"

namespace lumora::exporting {

const InstallerFormats& LoadInstallerFormats() {
  static const InstallerFormats* formats = nullptr;
  if (formats != nullptr) return *formats;
  const std::string path = layout::OwnTreeLibrary(kInstallerFormatsFile);
  const LoadedLibrary library = LoadSharedLibrary(path);
  if (library.handle == nullptr) {
    throw HostError::NotDone(
        "cannot load the installer-format library, which writes into and "
        "reads installer packages and WiX sources: " +
        library.error + "; nothing written");
  }
  auto entry = reinterpret_cast<InstallerFormatsEntry>(
      LibrarySymbol(library.handle, kInstallerFormatsEntry));
  const InstallerFormats* table = entry != nullptr ? entry() : nullptr;
  if (table == nullptr || table->version != kInstallerFormatsVersion) {
    throw HostError::NotDone("the installer-format library " + path +
                             " does not belong to this lumora; nothing written");
  }
  formats = table;
  return *formats;
}

}  // namespace lumora::exporting
