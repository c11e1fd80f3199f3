#include "TargetFindings.h"

#include <cctype>
#include <set>
#include <string>

#include "contract/MessageText.h"
#include "contract/Text.h"
#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/InstalledDrivers.h"

namespace lumora::cli {
namespace {

using exporting::PackageOdbc;

std::string Quoted(std::string_view text) {
  return "\"" + EscapeForMessage(text) + "\"";
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         EqualsIgnoringAsciiCase(text.substr(text.size() - end.size()), end);
}

// A shared library of a Unix system: "x.so" or "x.so.2".
bool IsSharedObject(std::string_view value) {
  const std::string_view name = odbc::FileNameOf(value);
  return EndsWithIgnoringCase(name, ".so") || name.find(".so.") != std::string_view::npos;
}

// An absolute POSIX path: "/" and a name, not the "//" of a network path.
bool IsPosixPath(std::string_view value) {
  return value.size() > 1 && value[0] == '/' && value[1] != '/';
}

std::string ItemName(const char* kind, const StoredItem& item) {
  return std::string(kind) + " " + Quoted(item.name);
}

void CheckDataSourceDriver(const StoredItem& source, const KeyLine& line,
                           std::vector<Finding>& findings) {
  if (IsWindowsPath(line.value)) return;
  const std::string what = IsSharedObject(line.value) ? "a unixODBC driver library"
                           : IsPosixPath(line.value)  ? "a POSIX path"
                                                      : "a unixODBC driver name";
  findings.push_back({ItemName("data source", source), line.number,
                      "Driver=" + Quoted(line.value) + " is " + what +
                          ", not a Windows file; Windows reads a data source's Driver= as the "
                          "driver's file: give its Windows path (<WINSYSDIR>\\FILE.dll) or drop "
                          "the line and name the driver with DriverName=",
                      Severity::kWarning});
}

void CheckItem(const char* kind, const StoredItem& item, bool dataSource,
               std::vector<Finding>& findings) {
  for (const KeyLine& line : KeyLinesOf(item)) {
    if (dataSource && EqualsIgnoringAsciiCase(line.key, "Driver")) {
      CheckDataSourceDriver(item, line, findings);
      continue;
    }
    if (odbc::IsSecretKey(line.key) && !line.value.empty()) {
      findings.push_back({ItemName(kind, item), line.number,
                          Quoted(line.key) +
                              " holds a secret in clear (***), which the package carries as it "
                              "is into the target's registry: leave the value out and let the "
                              "application ask for it",
                          Severity::kWarning});
    } else if (IsPosixPath(line.value)) {
      findings.push_back({ItemName(kind, item), line.number,
                          Quoted(line.key) + " holds the POSIX path " + Quoted(line.value) +
                              ", which no Windows machine has: give a Windows path or one under "
                              "a path symbol (<PROGRAMFILES>\\...)",
                          Severity::kWarning});
    }
  }
}

bool Is(std::string_view platform, std::initializer_list<std::string_view> names) {
  for (std::string_view name : names) {
    if (EqualsIgnoringAsciiCase(platform, name)) return true;
  }
  return false;
}

// The findings about a package's ODBC rows, each naming its table and row.
class PackageCheck {
 public:
  PackageCheck(const PackageOdbc& package, std::vector<Finding>& findings)
      : package_(package), findings_(findings) {}

  void Error(const std::string& item, const std::string& message) {
    findings_.push_back({item, 0, message, Severity::kError, package_.path});
  }

  // A driver or translator row: its component, files and the component's folder.
  void Row(const char* table, const PackageOdbc::Row& row, bool hasFiles) {
    const std::string item = std::string("table ") + table + ", row " + Quoted(row.key);
    Component(item, row.component);
    if (!hasFiles) return;
    for (const std::string* file : {&row.file, &row.setup}) {
      if (file->empty() || package_.files.contains(*file)) continue;
      Error(item, "names the file " + Quoted(*file) +
                      ", which the File table lacks: add the file to the package under that "
                      "key, or export --into again after the package carries it");
    }
  }

  void Component(const std::string& item, const std::string& id) {
    const auto found = package_.components.find(id);
    if (found == package_.components.end()) {
      Error(item, "names the component " + Quoted(id) +
                      ", which the Component table lacks: add the component (export --format "
                      "wix writes the components it expects)");
      return;
    }
    if (!checkedComponents_.insert(id).second) return;  // said once, for the first row naming it
    if (!found->second.folder.empty() && !package_.folders.contains(found->second.folder)) {
      Error(item, "its component " + Quoted(id) + " lies in the folder " +
                      Quoted(found->second.folder) +
                      ", which the Directory table lacks: add the folder");
    }
    const bool x64 = found->second.attributes & exporting::kComponent64Bit;
    const std::string& platform = package_.platform;
    const bool packageIs64 = Is(platform, {"x64", "Intel64", "Arm64", "AMD64"});
    if (!packageIs64 && !Is(platform, {"Intel", "Arm"})) return;  // none or one unknown here
    if (x64 && !packageIs64) {
      Error(item, "its component " + Quoted(id) +
                      " is 64-bit (Component.Attributes 256) in a package whose platform is " +
                      platform +
                      ": the installer refuses it; build an x64 package, or export "
                      "with --arch x86");
    } else if (!x64 && packageIs64) {
      Error(item, "its component " + Quoted(id) + " is 32-bit in a package whose platform is " +
                      platform +
                      ": a 64-bit driver would be registered where 64-bit programs never look; "
                      "export with --arch x64 (Component.Attributes 256)");
    }
  }

  void Owners(const char* table, const std::vector<PackageOdbc::Attribute>& attributes,
              const std::vector<PackageOdbc::Row>& owners, const char* ownerTable) {
    std::set<std::string> keys;
    for (const PackageOdbc::Row& row : owners) keys.insert(row.key);
    for (const PackageOdbc::Attribute& a : attributes) {
      if (keys.contains(a.owner)) continue;
      Error(std::string("table ") + table + ", row " + Quoted(a.owner) + " " + Quoted(a.name),
            std::string("names the row ") + Quoted(a.owner) + " of " + ownerTable +
                ", which the package lacks: the installer never writes this attribute");
    }
  }

  // The ODBC actions the installer needs to read the ODBC tables at all.
  void Actions(bool drivers) {
    struct Action {
      const char* name;
      int sequence;
      const char* without;  // what happens without it
      bool needsDrivers;
    };
    static const Action kActions[] = {
        {"SetODBCFolders", 1100,
         "a driver already on the machine is installed again beside the package's files instead "
         "of where it is registered",
         true},
        {"RemoveODBC", 2400, "an uninstall leaves the drivers and data sources registered", false},
        {"InstallODBC", 5400, "the package installs its files and registers nothing", false},
    };
    for (const Action& a : kActions) {
      if ((a.needsDrivers && !drivers) || package_.actions.contains(a.name)) continue;
      Error("table InstallExecuteSequence", std::string("has no ") + a.name + " action (sequence " +
                                                std::to_string(a.sequence) + "): without it " +
                                                a.without + "; export --format msi --into adds it");
    }
  }

 private:
  const PackageOdbc& package_;
  std::vector<Finding>& findings_;
  std::set<std::string> checkedComponents_;
};

// Whether the package's File table carries a file of `path`'s file name (ASCII case ignored).
bool Carries(const PackageOdbc& package, std::string_view path) {
  const std::string_view name = odbc::FileNameOf(path);
  for (const auto& [key, file] : package.files) {
    if (EqualsIgnoringAsciiCase(file.name, name)) return true;
  }
  return false;
}

}  // namespace

bool IsWindowsPath(std::string_view value) {
  if (value.starts_with('<')) return value.find('>') != std::string_view::npos;
  if (value.starts_with('%')) return value.find('%', 1) != std::string_view::npos;  // %SystemRoot%
  if (value.starts_with("\\\\")) return true;
  return value.size() > 2 && std::isalpha(static_cast<unsigned char>(value[0])) &&
         value[1] == ':' && (value[2] == '\\' || value[2] == '/');
}

std::vector<Finding> FindTargetProblems(const StoredChoices& choices) {
  std::vector<Finding> findings;
  for (const StoredItem& driver : choices.drivers) {
    if (driver.selected) CheckItem("driver", driver, false, findings);
  }
  for (const StoredItem& source : choices.dataSources) {
    if (source.selected) CheckItem("data source", source, true, findings);
  }
  return findings;
}

std::vector<Finding> FindPackageProblems(const StoredChoices* choices, const PackageOdbc& package) {
  std::vector<Finding> findings;
  PackageCheck check(package, findings);
  bool drivers = !package.drivers.empty() || !package.translators.empty();
  bool any = drivers || !package.dataSources.empty();
  if (choices != nullptr) {
    for (const StoredItem& driver : choices->drivers) {
      if (!driver.selected) continue;
      drivers = any = true;
      for (const KeyLine& line : KeyLinesOf(driver)) {
        const bool file = EqualsIgnoringAsciiCase(line.key, "Driver") ||
                          EqualsIgnoringAsciiCase(line.key, "Setup");
        if (!file || line.value.empty() || Carries(package, line.value)) continue;
        findings.push_back({ItemName("driver", driver), line.number,
                            "the package carries no file " + Quoted(odbc::FileNameOf(line.value)) +
                                " (its File table): add it to the package's components, or the "
                                "installed driver has no library",
                            Severity::kError});
      }
    }
    for (const StoredItem& source : choices->dataSources) any = any || source.selected;
  }
  for (const PackageOdbc::Row& row : package.drivers) check.Row("ODBCDriver", row, true);
  for (const PackageOdbc::Row& row : package.translators) check.Row("ODBCTranslator", row, true);
  for (const PackageOdbc::Row& row : package.dataSources) check.Row("ODBCDataSource", row, false);
  check.Owners("ODBCAttribute", package.driverAttributes, package.drivers, "ODBCDriver");
  check.Owners("ODBCSourceAttribute", package.sourceAttributes, package.dataSources,
               "ODBCDataSource");
  if (any) check.Actions(drivers);
  return findings;
}

}  // namespace lumora::cli
