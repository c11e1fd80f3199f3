#include "export/InstallerFormats.h"

#include <dlfcn.h>

#include "contract/HostError.h"
#include "host/InstallTree.h"

namespace lumora::exporting {

const InstallerFormats& LoadInstallerFormats() {
  static const InstallerFormats* formats = nullptr;
  if (formats != nullptr) return *formats;
  const std::string path = layout::OwnTreeLibrary(kInstallerFormatsFile);
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = ::dlerror();
    throw HostError::NotDone(
        "cannot load the installer-format library, which writes into and "
        "reads installer packages and WiX sources: " +
        std::string(why != nullptr ? why : path) + "; nothing written");
  }
  auto entry = reinterpret_cast<InstallerFormatsEntry>(::dlsym(library, kInstallerFormatsEntry));
  const InstallerFormats* table = entry != nullptr ? entry() : nullptr;
  if (table == nullptr || table->version != kInstallerFormatsVersion) {
    throw HostError::NotDone("the installer-format library " + path +
                             " does not belong to this lumora; nothing written");
  }
  formats = table;
  return *formats;
}

}  // namespace lumora::exporting
