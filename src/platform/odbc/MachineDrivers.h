// This machine's installed ODBC drivers as its driver manager knows them, and where they are
// registered: unixODBC's odbcinst.ini (MachineDrivers.cpp), or on Windows the machine's
// SOFTWARE\ODBC\ODBCINST.INI in this program's view of the registry (MachineDriversWin32.cpp).
// `lumora check` and the wizard's Test button look up a data source's driver here.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/odbc/InstalledDrivers.h"

namespace lumora::odbc {

// The drivers in the driver manager's order; none when nothing is registered. What cannot be
// read is told through `warn`.
std::vector<InstalledDriver> LoadMachineDrivers(
    const std::function<void(const std::string&)>& warn = {});

// Where the drivers are registered, for messages ("/etc/odbcinst.ini",
// "HKEY_LOCAL_MACHINE\SOFTWARE\ODBC\ODBCINST.INI").
std::string MachineDriversPlace();

}  // namespace lumora::odbc
