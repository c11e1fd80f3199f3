#include "platform/odbc/InstalledDrivers.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace lumora::odbc {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

}  // namespace

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string InstalledDriver::Entry(std::string_view key) const {
  for (const Attribute& a : entries) {
    if (SameIgnoringAsciiCase(a.key, key)) return a.value;
  }
  return "";
}

std::string OdbcinstIniPath() {
  const char* folder = std::getenv("ODBCSYSINI");
  return std::string(folder != nullptr && *folder != '\0' ? folder : "/etc") + "/odbcinst.ini";
}

std::vector<InstalledDriver> ParseOdbcinstIni(std::string_view text) {
  std::vector<InstalledDriver> drivers;
  InstalledDriver* current = nullptr;
  std::istringstream in{std::string(text)};
  for (std::string raw; std::getline(in, raw);) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      const size_t end = line.find(']');
      const std::string name(Trim(line.substr(1, end == std::string_view::npos ? end : end - 1)));
      current = nullptr;
      if (name.empty() || SameIgnoringAsciiCase(name, "ODBC")) continue;
      bool seen = false;
      for (const InstalledDriver& d : drivers) seen = seen || SameIgnoringAsciiCase(d.name, name);
      if (seen) continue;
      drivers.push_back({name, {}});
      current = &drivers.back();
      continue;
    }
    if (current == nullptr) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    current->entries.push_back(
        {std::string(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1)))});
  }
  return drivers;
}

std::vector<InstalledDriver> LoadInstalledDrivers(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  std::ostringstream text;
  text << file.rdbuf();
  return ParseOdbcinstIni(text.str());
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
      if (SameIgnoringAsciiCase(d.name, wanted)) return &d;
    }
  }
  const std::string_view file = FileNameOf(libraryPath);
  if (file.empty()) return nullptr;
  for (const InstalledDriver& d : drivers) {
    if (SameIgnoringAsciiCase(FileNameOf(d.Entry("Driver")), file)) return &d;
  }
  return nullptr;
}

}  // namespace lumora::odbc
