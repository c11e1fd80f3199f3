#include "platform/odbc/MachineDrivers.h"

namespace lumora::odbc {

std::vector<InstalledDriver> LoadMachineDrivers(
    const std::function<void(const std::string&)>& warn) {
  return LoadInstalledDrivers(OdbcinstIniPath(), warn);
}

std::string MachineDriversPlace() {
  return OdbcinstIniPath();
}

}  // namespace lumora::odbc
