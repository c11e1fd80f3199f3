// Reading unixODBC files back into stored choices with the driver manager's own reading
// (platform/UnixOdbcIni.h): the drivers and data sources an install of the file would give, the
// first of each name and of each key. A file unixODBC ignores is refused; an empty section name
// ends the file there, with a warning. A path under a folder the host's drive mapping names is
// turned back into its Windows path, and into a path symbol where it lies in one of the host's
// folders. In a data source, a Driver= value that is no path names the driver: it becomes the
// DriverName= line. A driver's UsageCount, the driver manager's own count, is left out. The
// comment export writes right above a data source's section, "; on uninstall: keep" or
// "; on uninstall: remove", sets its uninstall flag; without it the data source is removed.
#include "contract/Text.h"
#include "export/ImportedChoices.h"
#include "platform/UnixOdbcIni.h"

namespace lumora::exporting {
namespace {

class IniReader {
 public:
  IniReader(const std::string& path, bool drivers, bool system, const FolderSet& folders,
            const std::map<char, std::string>& drives)
      : path_(path), drivers_(drivers), system_(system), folders_(folders), drives_(drives) {}

  std::vector<ImportedItem> Read(std::vector<std::string>& warnings) const {
    const UnixOdbcFileKind kind =
        drivers_ ? UnixOdbcFileKind::kDrivers : UnixOdbcFileKind::kDataSources;
    const std::optional<UnixOdbcIni> ini = LoadUnixOdbcIni(path_, kind);
    if (!ini) throw ImportError(path_ + ": unixODBC file: No such file or directory");
    if (ini->ignoredAtLine > 0)
      throw ImportError(IgnoredFileWarning(path_, ini->ignoredAtLine, kind));
    if (ini->endedAtLine > 0 && ini->sections.empty()) {
      throw ImportError(path_ + ":" + std::to_string(ini->endedAtLine) +
                        ": an empty section name \"[]\" before any section: unixODBC reads no "
                        "further, so the file gives nothing to import");
    }
    if (ini->endedAtLine > 0) {
      warnings.push_back(path_ + ":" + std::to_string(ini->endedAtLine) +
                         ": an empty section name \"[]\": unixODBC reads no further, and nor "
                         "does import");
    }
    std::vector<ImportedItem> items;
    items.reserve(ini->sections.size());
    for (const UnixOdbcSection& section : ini->sections) {
      ImportedItem& item = items.emplace_back();
      item.lines.reserve(section.entries.size());
      item.name = std::string(section.name);
      item.where = path_ + ":" + std::to_string(section.line);
      item.system = system_;
      item.uninstall = drivers_ || section.note != "; on uninstall: keep";
      for (const UnixOdbcEntry& entry : section.entries) {
        if (drivers_ && EqualsIgnoringAsciiCase(entry.key, "UsageCount")) continue;
        AttributeLine attribute{std::string(entry.key), FromLocalPath(std::string(entry.value))};
        if (!drivers_ && EqualsIgnoringAsciiCase(attribute.name, "Driver") &&
            attribute.value.find_first_of("/\\") == std::string::npos) {
          attribute.name = "DriverName";
        }
        item.lines.push_back(std::move(attribute));
      }
    }
    return items;
  }

 private:
  std::string FromLocalPath(const std::string& value) const {
    for (const auto& [letter, folder] : drives_) {
      std::string root = folder;
      while (root.size() > 1 && root.back() == '/') root.pop_back();
      if (value.size() > root.size() && value.starts_with(root) && value[root.size()] == '/') {
        std::string windows = std::string(1, letter) + ":";
        for (char c : value.substr(root.size())) windows += c == '/' ? '\\' : c;
        return ToSymbolPath(windows, folders_);
      }
    }
    return value;
  }

  std::string path_;
  bool drivers_, system_;
  const FolderSet& folders_;
  const std::map<char, std::string>& drives_;
};

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ImportedChoices ReadOdbcinstFile(const std::string& path, SourceType type, const FolderSet& folders,
                                 const std::map<char, std::string>& drives) {
  const std::string name = BaseName(path);
  const bool drivers = name == "odbcinst.ini";
  if (!drivers && type == SourceType::kUnstated && name != "odbc-system.ini" &&
      name != "odbc-user.ini") {
    throw ImportError(path +
                      ": its data sources are of which type? give --system or --user "
                      "(odbc-system.ini and odbc-user.ini say so by their names)");
  }
  const bool system =
      type == SourceType::kSystem || (type == SourceType::kUnstated && name == "odbc-system.ini");
  ImportedChoices out;
  (drivers ? out.drivers : out.dataSources) =
      IniReader(path, drivers, system, folders, drives).Read(out.warnings);
  return out;
}

}  // namespace lumora::exporting
