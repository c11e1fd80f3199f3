// The one export of libBVLumoraInstaller.so: the table lumora uses to write into installer
// packages and to read packages and WiX sources.
#include "export/InstallerFormats.h"
#include "export/installer/InstallerReaders.h"
#include "export/installer/MsiPackageInto.h"

namespace lumora::exporting {
namespace {

const InstallerFormats kFormats = {kInstallerFormatsVersion, WriteIntoPackage, ReadInstallerPackage,
                                   ReadWixSource, ReadPackageOdbc};

}  // namespace
}  // namespace lumora::exporting

extern "C" __attribute__((visibility("default"))) const lumora::exporting::InstallerFormats*
LumoraInstallerFormats() {
  return &lumora::exporting::kFormats;
}
