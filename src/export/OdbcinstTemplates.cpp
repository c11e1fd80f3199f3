// unixODBC templates: odbcinst.ini for `odbcinst -i -d -f`, odbc-system.ini for
// `odbcinst -i -s -l -f` and odbc-user.ini for `odbcinst -i -s -h -f`. A value that starts with a
// path symbol becomes a file of this machine: the host's folder for the symbol, then the rest of
// the path, through the drive mapping; a value that cannot be resolved so is kept as it is, with
// a warning naming its line. A data source's Driver= names the driver, as unixODBC looks it up in
// odbcinst.ini: the stored DriverName= line gives it when there is one.
#include <optional>
#include <set>
#include <string>

#include "contract/PathSymbols.h"
#include "contract/Text.h"
#include "export/ExportWriters.h"
#include "hostlib/HostConfig.h"

namespace lumora::exporting {
namespace {

// unixODBC reads a line of at most this many bytes whole (its ini reader's buffer is 1,000 bytes
// with the terminating NUL); the rest of a longer line would read as a line of its own.
constexpr size_t kLineMax = 999;

// Sections unixODBC gives a meaning of its own: [ODBC] holds the driver manager's settings,
// [ODBC Data Sources] lists data sources, [Default] is the data source used when none is named.
// It finds them ignoring case.
constexpr const char* kReservedSections[] = {"ODBC", "ODBC Data Sources", "Default"};

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
    for (const char* reserved : kReservedSections) {
      if (EqualsIgnoringCase(name, reserved)) {
        throw ExportError(Describe(item) + ": [" + reserved +
                          "] is a section unixODBC reserves for itself");
      }
    }
    CheckLength(item, file, "[" + name + "]");
    if (!names.insert(UCase(name)).second) {
      throw ExportError(Describe(item) + ": " + file +
                        " already has a section of that name "
                        "(unixODBC compares section names ignoring case)");
    }
    text += "\n[" + name + "]\n";
    keys_.clear();
  }

  // `resolve` false: the value is a name (the driver a data source names), never a path.
  void Line(std::string& text, const ExportItem& item, const std::string& file,
            const AttributeLine& line, bool resolve = true) {
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
    if (!keys_.insert(UCase(key)).second) {
      throw ExportError(Describe(item) + ": attribute \"" + key +
                        "\" is given twice ignoring case; unixODBC would keep one of them");
    }
    const std::string written = key + "=" + (resolve ? Resolve(item, file, line) : line.value);
    CheckLength(item, file, written);
    text += written + "\n";
  }

  std::vector<std::string> warnings;

 private:
  static void CheckLength(const ExportItem& item, const std::string& file,
                          const std::string& line) {
    if (line.size() <= kLineMax) return;
    throw ExportError(Describe(item) + ": the line \"" + Printable(line.substr(0, 40)) +
                      "...\" of " + file + " is " + std::to_string(line.size()) +
                      " bytes long; unixODBC reads lines of at most " + std::to_string(kLineMax) +
                      " bytes");
  }

  std::string Resolve(const ExportItem& item, const std::string& file, const AttributeLine& line) {
    const std::string& value = line.value;
    const PathSymbol* symbol = LeadingPathSymbol(value);
    if (symbol == nullptr) return value;
    const std::string folder = FolderPath(folders_, symbol->folder);
    const std::string windowsPath =
        folder + value.substr(std::min(value.size(), symbol->symbol.size() + 1));
    if (std::optional<std::string> local = drives_.ToLocalPath(windowsPath)) return *local;
    warnings.push_back(file + ": [" + Printable(item.name) + "] " + line.name + "=" + value + ": " +
                       std::string(symbol->symbol) + " is " + folder +
                       ", on no drive mapped to this machine; kept as it is");
    return value;
  }

  FixedSystemFolders folders_;
  std::set<std::string> keys_;  // upper-cased, of the section being written
  DriveMap drives_;
};

const char* const kHeader = "; written by lumora export; install with: odbcinst -i ";
// What the setup does with a data source when it is uninstalled, which unixODBC has no place
// for: a comment line right above the data source's section.
const char* const kKeptNote = "\n; on uninstall: keep";
const char* const kRemovedNote = "\n; on uninstall: remove";

}  // namespace

ExportOutput WriteOdbcinstTemplates(const ExportChoices& choices, const ExportOptions& options) {
  CheckCarriable(choices);
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
    text += item.removedOnUninstall ? kRemovedNote : kKeptNote;
    templates.Section(text, item.system ? systemNames : userNames, item, file);
    const AttributeLine* named = FindLine(item, "DriverName");
    const AttributeLine* driver = FindLine(item, "Driver");
    if (named != nullptr) templates.Line(text, item, file, {"Driver", named->value}, false);
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
