// The installer-database model of the exported items, which the .idt tables and the WiX fragment
// both write, so both name everything alike: a stable identifier for every driver, translator,
// data source, file, component and folder; the file of each Driver=, Translator= and Setup= line;
// the component each row belongs to; and attribute values in the database's formatted form, with
// path symbols turned into its folder properties (<WINSYSDIR> into [SystemFolder], ...).
//
// Components: with a named component every row belongs to it; otherwise each driver and
// translator gets one named from it, and a data source joins the component of the exported
// driver it names (else one shared "ODBCDataSources" component). A file belongs to the component
// of the first item that uses it, so a driver whose file an earlier driver already brought joins
// that driver's component; a component holds files of one folder only, so a file in another
// folder gets a further component of its own ("SQL_Server.2"). A data source kept when the setup
// is uninstalled gets a permanent component of its own ("Keep.Sales"), named component or not.
// Every look-up goes through a hash table, so a model of n items takes O(n log n).
//
// For a 64-bit package (x64) the folder properties are the 64-bit ones: <WINSYSDIR> and a bare
// file name lie in System64Folder, <PROGRAMFILES> in ProgramFiles64Folder, <COMMONFILES> in
// CommonFiles64Folder; the Windows folder is the same for both.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "export/ExportChoices.h"
#include "export/ExportWriters.h"
#include "export/NameIndex.h"
#include "hostlib/SystemFolderSet.h"

namespace lumora::exporting {

// Identifiers as installer databases take them: ASCII letters, digits, '_' and '.', starting with
// a letter or '_', at most 72 characters. Every other character (each UTF-8 sequence) becomes '_';
// a taken identifier gets ".2", ".3", ... (compared ignoring ASCII case). Each base identifier
// keeps the next number to try, so n identifiers sharing a base take O(n log n), not O(n²).
class IdentifierPool {
 public:
  std::string Make(std::string_view text);
  bool Reserve(const std::string& id);  // false when taken
  void Expect(size_t count);            // room for `count` identifiers in all, made at once
  static bool IsValid(std::string_view id);

 private:
  NameIndex taken_;                                  // lower-cased
  std::unordered_map<std::string, int> nextSuffix_;  // lower-cased base: the next number to try
};

// A folder of the installed system: one of the database's standard folder properties and the
// folders below it ("System\" under CommonFilesFolder).
struct InstallFolder {
  std::string property;                 // "SystemFolder", "TARGETDIR", ...
  std::vector<std::string> subfolders;  // in order, outermost first
  bool operator<(const InstallFolder& o) const {
    return std::tie(property, subfolders) < std::tie(o.property, o.subfolders);
  }
  bool operator==(const InstallFolder& o) const = default;
};

struct InstallFile {
  std::string id;  // the File table's key
  std::string name;
  InstallFolder folder;
  size_t componentAt = 0;  // its component's index in InstallerModel::components
};

struct InstallRow {
  const ExportItem* item = nullptr;
  std::string id;
  size_t componentAt = 0;         // the component's index in InstallerModel::components
  size_t fileAt = 0;              // drivers and translators: the file of Driver= / Translator=,
                                  // its index in InstallerModel::files
  std::string setupFile;          // "" without a Setup= line
  std::string driverDescription;  // data sources: the driver's name
  std::vector<AttributeLine> attributes;  // values in formatted form
};

struct InstallComponent {
  std::string id;
  std::string group;  // the component named for the item (or given); further ones share it
  InstallFolder folder;
  bool hasFolder = false;  // false: no file of its own (data sources only)
  bool permanent = false;  // left installed when the setup is uninstalled
};

struct InstallerModel {
  Arch arch = Arch::kX86;
  std::vector<InstallComponent> components;  // in order of first use
  std::vector<InstallFile> files;            // in order of first use
  std::vector<InstallRow> drivers, translators, dataSources;
  std::vector<std::string> warnings;
};

// `component` "" gives one component per driver. Throws ExportError naming the item when a
// driver or translator has no file line, a data source names no driver, or `component` is no
// valid identifier.
InstallerModel BuildInstallerModel(const ExportChoices& choices, const FolderSet& folders,
                                   const std::string& component, Arch arch = Arch::kX86);

// `value` as a formatted string: '[' and ']' escaped, a leading path symbol made a folder
// property ("<WINSYSDIR>\x.dll" gives "[SystemFolder]x.dll", "[System64Folder]x.dll" for x64).
std::string FormattedValue(const std::string& value, const FolderSet& folders,
                           Arch arch = Arch::kX86);

// The 64-bit folder property of a 32-bit one ("SystemFolder": "System64Folder"); any other
// property as it is.
std::string_view Folder64(std::string_view property);

}  // namespace lumora::exporting
