// unixODBC templates: odbcinst.ini for `odbcinst -i -d -f`, odbc-system.ini for
// `odbcinst -i -s -l -f` and odbc-user.ini for `odbcinst -i -s -h -f`. A value that starts with a
// path symbol becomes a file of this machine: the host's folder for the symbol, then the rest of
// the path, through the drive mapping; a value that cannot be resolved so is kept as it is, with
// a warning naming its line. A data source's Driver= names the driver, as unixODBC looks it up in
// odbcinst.ini: the stored DriverName= line gives it when there is one.
#include <optional>
#include <set>
#include <string>

#include "contract/Text.h"
#include "export/ExportWriters.h"
#include "hostlib/HostConfig.h"

namespace lumora::exporting {
namespace {

struct SymbolFolder {
  const char* symbol;
  std::string FolderSet::*folder;
};
constexpr SymbolFolder kSymbols[] = {
    {"<WINSYSDIR>", &FolderSet::system},
    {"<WINDIR>", &FolderSet::windows},
    {"<COMMONFILES>", &FolderSet::commonFiles},
    {"<PROGRAMFILES>", &FolderSet::programFiles},
    {"<DAO>", &FolderSet::dao},
};

class Templates {
 public:
  explicit Templates(const ExportOptions& options)
      : folders_(options.folders), drives_(options.drives) {}

  void Section(std::string& text, std::set<std::string>& names, const ExportItem& item,
               const std::string& file) {
    const std::string& name = item.name;
    if (name.find_first_of("[]\r\n") != std::string::npos || TrimSpaces(name) != name ||
        name.empty()) {
      throw ExportError(Describe(item) +
                        ": an ini section name cannot hold '[', ']' or a line "
                        "break, nor begin or end with blanks");
    }
    if (!names.insert(UCase(name)).second) {
      throw ExportError(Describe(item) + ": " + file +
                        " already has a section of that name "
                        "(unixODBC compares section names ignoring case)");
    }
    text += "\n[" + name + "]\n";
  }

  void Line(std::string& text, const ExportItem& item, const std::string& file,
            const AttributeLine& line) {
    const std::string& key = line.name;
    if (key.find_first_of("\r\n=") != std::string::npos || TrimSpaces(key) != key ||
        key.starts_with('[') || key.starts_with(';') || key.starts_with('#')) {
      throw ExportError(Describe(item) + ": attribute \"" + key +
                        "\" cannot be an ini key (a "
                        "line break, blanks around it, or a leading '[', ';' or '#')");
    }
    if (line.value.find_first_of("\r\n") != std::string::npos) {
      throw ExportError(Describe(item) + ": the value of " + key +
                        " holds a line break, which an ini file cannot carry");
    }
    text += key + "=" + Resolve(item, file, line) + "\n";
  }

  std::vector<std::string> warnings;

 private:
  std::string Resolve(const ExportItem& item, const std::string& file, const AttributeLine& line) {
    for (const SymbolFolder& row : kSymbols) {
      const std::string_view symbol = row.symbol;
      const std::string& value = line.value;
      if (!value.starts_with(symbol) ||
          (value.size() > symbol.size() && value[symbol.size()] != '\\')) {
        continue;
      }
      const std::string windowsPath =
          folders_.*row.folder + value.substr(std::min(value.size(), symbol.size() + 1));
      if (std::optional<std::string> local = drives_.ToLocalPath(windowsPath)) return *local;
      warnings.push_back(file + ": [" + item.name + "] " + line.name + "=" + value + ": " +
                         std::string(symbol) + " is " + folders_.*row.folder +
                         ", on no drive mapped to this machine; kept as it is");
      return value;
    }
    return line.value;
  }

  FolderSet folders_;
  DriveMap drives_;
};

const char* const kHeader = "; written by lumora export; install with: odbcinst -i ";

}  // namespace

ExportOutput WriteOdbcinstTemplates(const ExportChoices& choices, const ExportOptions& options) {
  Templates templates(options);
  std::string drivers = std::string(kHeader) + "-d -f odbcinst.ini\n";
  std::set<std::string> driverNames;
  for (const ExportItem& item : choices.drivers) {
    templates.Section(drivers, driverNames, item, "odbcinst.ini");
    for (const AttributeLine& line : item.lines) {
      templates.Line(drivers, item, "odbcinst.ini", line);
    }
  }
  std::string user = std::string(kHeader) + "-s -h -f odbc-user.ini   (user data sources)\n";
  std::string system = std::string(kHeader) + "-s -l -f odbc-system.ini   (system data sources)\n";
  std::set<std::string> userNames, systemNames;
  for (const ExportItem& item : choices.dataSources) {
    const std::string file = item.system ? "odbc-system.ini" : "odbc-user.ini";
    std::string& text = item.system ? system : user;
    templates.Section(text, item.system ? systemNames : userNames, item, file);
    const AttributeLine* named = FindLine(item, "DriverName");
    const AttributeLine* driver = FindLine(item, "Driver");
    if (named != nullptr) templates.Line(text, item, file, {"Driver", named->value});
    for (const AttributeLine& line : item.lines) {
      if (named != nullptr && (&line == named || &line == driver)) continue;
      templates.Line(text, item, file, line);
    }
  }
  ExportOutput out;
  if (!choices.translators.empty()) {
    out.warnings.push_back(
        "odbcinst.ini has no place for translators; the catalogue's translators are left out");
  }
  out.warnings.insert(out.warnings.end(), templates.warnings.begin(), templates.warnings.end());
  out.files = {{"odbcinst.ini", drivers}, {"odbc-user.ini", user}, {"odbc-system.ini", system}};
  return out;
}

}  // namespace lumora::exporting
