// unixODBC templates: odbcinst.ini for `odbcinst -i -d -f`, odbc-system.ini for
// `odbcinst -i -s -l -f` and odbc-user.ini for `odbcinst -i -s -h -f`. A value that starts with a
// path symbol becomes a file of this machine: the host's folder for the symbol, then the rest of
// the path, through the drive mapping; a value that cannot be resolved so is kept as it is, with
// a warning naming its line. A data source's Driver= names the driver, as unixODBC looks it up in
// odbcinst.ini: the stored DriverName= line gives it when there is one.
#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "contract/PathSymbols.h"
#include "contract/Text.h"
#include "export/ExportWriters.h"
#include "hostlib/HostConfig.h"

namespace lumora::exporting {
namespace {

// unixODBC reads a line of at most this many bytes whole (its ini reader's buffer is 1,000 bytes
// with the terminating NUL); the rest of a longer line would read as a line of its own.
constexpr size_t kLineMax = 999;

class Templates {
 public:
  explicit Templates(const ExportOptions& options)
      : folders_(options.folders), drives_(options.drives) {}

  void Section(std::string& text, std::unordered_set<std::string>& names, const ExportItem& item,
               const std::string& file) {
    // What an ini section name cannot be (brackets, blanks at either end, a reserved section)
    // CheckCarriable has refused already.
    const std::string& name = item.name;
    std::string upper = UCase(name);
    const size_t start = text.size() + 1;
    text += "\n[";
    text += name;
    text += "]";
    CheckLength(item, file, std::string_view(text).substr(start));
    if (!names.insert(std::move(upper)).second) {
      throw ExportError(Describe(item) + ": " + file +
                        " already has a section of that name "
                        "(unixODBC compares section names ignoring case)");
    }
    text += '\n';
    keys_.clear();
  }

  // `resolve` false: the value is a name (the driver a data source names), never a path.
  void Line(std::string& text, const ExportItem& item, const std::string& file,
            const std::string& key, const std::string& value, bool resolve = true) {
    if (!keys_.insert(UCase(key)).second) {
      throw ExportError(Describe(item) + ": attribute \"" + key +
                        "\" is given twice ignoring case; unixODBC would keep one of them");
    }
    const size_t start = text.size();
    text += key;
    text += '=';
    if (resolve) {
      AppendResolved(text, item, file, key, value);
    } else {
      text += value;
    }
    CheckLength(item, file, std::string_view(text).substr(start));
    text += '\n';
  }

  std::vector<std::string> warnings;

 private:
  static void CheckLength(const ExportItem& item, const std::string& file, std::string_view line) {
    if (line.size() <= kLineMax) return;
    throw ExportError(Describe(item) + ": the line \"" + Printable(line.substr(0, 40)) +
                      "...\" of " + file + " is " + std::to_string(line.size()) +
                      " bytes long; unixODBC reads lines of at most " + std::to_string(kLineMax) +
                      " bytes");
  }

  void AppendResolved(std::string& text, const ExportItem& item, const std::string& file,
                      const std::string& key, const std::string& value) {
    const PathSymbol* symbol = LeadingPathSymbol(value);
    if (symbol == nullptr) {
      text += value;
      return;
    }
    const std::string folder = FolderPath(folders_, symbol->folder);
    const std::string windowsPath =
        folder + value.substr(std::min(value.size(), symbol->symbol.size() + 1));
    if (std::optional<std::string> local = drives_.ToLocalPath(windowsPath)) {
      text += *local;
      return;
    }
    warnings.push_back(file + ": [" + Printable(item.name) + "] " + key + "=" + value + ": " +
                       std::string(symbol->symbol) + " is " + folder +
                       ", on no drive mapped to this machine; kept as it is");
    text += value;
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
  std::unordered_set<std::string> driverNames;
  for (const ExportItem& item : choices.drivers) {
    templates.Section(drivers, driverNames, item, "odbcinst.ini");
    for (const AttributeLine& line : item.lines) {
      templates.Line(drivers, item, "odbcinst.ini", line.name, line.value);
    }
  }
  std::string user = std::string(kHeader) + "-s -h -f odbc-user.ini   (user data sources)\n";
  std::string system = std::string(kHeader) + "-s -l -f odbc-system.ini   (system data sources)\n";
  std::unordered_set<std::string> userNames, systemNames;
  const std::string userFile = "odbc-user.ini", systemFile = "odbc-system.ini";
  for (const ExportItem& item : choices.dataSources) {
    const std::string& file = item.system ? systemFile : userFile;
    std::string& text = item.system ? system : user;
    text += item.removedOnUninstall ? kRemovedNote : kKeptNote;
    templates.Section(text, item.system ? systemNames : userNames, item, file);
    const AttributeLine* named = FindLine(item, "DriverName");
    const AttributeLine* driver = FindLine(item, "Driver");
    if (named != nullptr) templates.Line(text, item, file, "Driver", named->value, false);
    for (const AttributeLine& line : item.lines) {
      if (named != nullptr && (&line == named || &line == driver)) continue;
      templates.Line(text, item, file, line.name, line.value);
    }
  }
  ExportOutput out;
  if (!choices.translators.empty()) {
    out.warnings.push_back(
        "odbcinst.ini has no place for translators; the catalogue's translators are left out");
  }
  out.warnings.insert(out.warnings.end(), templates.warnings.begin(), templates.warnings.end());
  out.files.push_back({"odbcinst.ini", std::move(drivers)});
  out.files.push_back({userFile, std::move(user)});
  out.files.push_back({systemFile, std::move(system)});
  return out;
}

}  // namespace lumora::exporting
