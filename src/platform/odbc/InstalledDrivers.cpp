#include "platform/odbc/InstalledDrivers.h"

#include <cstdlib>

#include "contract/HostError.h"
#include "contract/Text.h"

namespace lumora::odbc {
std::string InstalledDriver::Entry(std::string_view key) const {
  for (const Attribute& a : entries) {
    if (EqualsIgnoringAsciiCase(a.key, key)) return a.value;
  }
  return "";
}

std::string OdbcinstIniPath() {
  const char* folder = std::getenv("ODBCSYSINI");
  return std::string(folder != nullptr && *folder != '\0' ? folder : "/etc") + "/odbcinst.ini";
}

namespace {

std::vector<InstalledDriver> DriversOf(const UnixOdbcIni& ini) {
  std::vector<InstalledDriver> drivers;
  for (const UnixOdbcSection& section : ini.sections) {
    InstalledDriver& driver = drivers.emplace_back(InstalledDriver{std::string(section.name), {}});
    for (const UnixOdbcEntry& e : section.entries) {
      driver.entries.push_back({std::string(e.key), std::string(e.value)});
    }
  }
  return drivers;
}

}  // namespace

std::vector<InstalledDriver> ParseOdbcinstIni(std::string_view text) {
  return DriversOf(ParseUnixOdbcIni(std::string(text), UnixOdbcFileKind::kDrivers));
}

std::vector<InstalledDriver> LoadInstalledDrivers(
    const std::string& path, const std::function<void(const std::string&)>& warn) {
  try {
    const std::optional<UnixOdbcIni> ini =
        LoadUnixOdbcIni(path, UnixOdbcFileKind::kDrivers, UnixOdbcReading::kFirst, warn);
    return ini ? DriversOf(*ini) : std::vector<InstalledDriver>{};
  } catch (const HostError& e) {
    if (warn) warn(std::string(e.what()) + " (no drivers read from it)");
    return {};
  }
}

std::string_view FileNameOf(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

const InstalledDriver* FindInstalledDriver(const std::vector<InstalledDriver>& drivers,
                                           std::string_view name, std::string_view libraryPath) {
  for (std::string_view wanted : {name, libraryPath}) {  // unixODBC stores a name in Driver=
    if (wanted.empty()) continue;
    for (const InstalledDriver& d : drivers) {
      if (EqualsIgnoringAsciiCase(d.name, wanted)) return &d;
    }
  }
  const std::string_view file = FileNameOf(libraryPath);
  if (file.empty()) return nullptr;
  for (const InstalledDriver& d : drivers) {
    if (EqualsIgnoringAsciiCase(FileNameOf(d.Entry("Driver")), file)) return &d;
  }
  return nullptr;
}

}  // namespace lumora::odbc
