// This machine's unixODBC drivers, as `odbcinst -q -d` lists them: the sections of odbcinst.ini
// in ODBCSYSINI (else /etc), [ODBC] aside, each with its entries. A data source names its driver
// by name or, as Windows stores it, by the driver library's path; both are looked up here.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/UnixOdbcIni.h"
#include "platform/odbc/ConnectionString.h"

namespace lumora::odbc {

struct InstalledDriver {
  std::string name;
  std::vector<Attribute> entries;  // in file order, blanks around key and value trimmed
  std::string Entry(std::string_view key) const;  // "" when absent (key ignoring ASCII case)
};

// The odbcinst.ini unixODBC reads: $ODBCSYSINI/odbcinst.ini, else /etc/odbcinst.ini.
std::string OdbcinstIniPath();

// The drivers of an odbcinst.ini's bytes as the driver manager reads them (platform/UnixOdbcIni.h):
// file order, the first of sections or entries with one name.
std::vector<InstalledDriver> ParseOdbcinstIni(std::string_view text);

// The drivers of the file; none when it is missing, cannot be read or is one unixODBC ignores
// (the last two told through `warn`).
std::vector<InstalledDriver> LoadInstalledDrivers(
    const std::string& path = OdbcinstIniPath(),
    const std::function<void(const std::string&)>& warn = {});

// The installed driver named `name` or `libraryPath` (ignoring ASCII case), else the one whose
// Driver= file has the file name of `libraryPath` (a Windows or Unix path, ignoring ASCII case);
// null when none.
const InstalledDriver* FindInstalledDriver(const std::vector<InstalledDriver>& drivers,
                                           std::string_view name, std::string_view libraryPath);

// The last part of a Windows or Unix path.
std::string_view FileNameOf(std::string_view path);

}  // namespace lumora::odbc
