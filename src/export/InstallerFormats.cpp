#include "export/InstallerFormats.h"

#include "host/InstallTree.h"
#include "platform/PluginLibrary.h"

namespace lumora::exporting {

const InstallerFormats& LoadInstallerFormats() {
  static const PluginUse use = {
      .library = "the installer-format library",
      .owner = "this lumora",
      .purpose = ", which writes into and reads installer packages and WiX sources",
      .advice = "; nothing written",
      .kind = HostError::Kind::kNotDone};
  return LoadPlugin<InstallerFormats>(layout::OwnTreeLibrary(kInstallerFormatsFile),
                                      kInstallerFormatsEntry, kInstallerFormatsVersion, use);
}

}  // namespace lumora::exporting
