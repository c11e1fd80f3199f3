// The installer formats that need libraries of their own: an installer package read or written
// through libmsi (with glib beneath it) and a WiX source read through libxml2. They live in
// libBVLumoraInstaller.so, which lumora opens with dlopen only when an export --into or an import
// of such a file asks for it, so that no other command maps those libraries. The program finds the
// library in its own tree as it finds the component (beside it, else in the installed library
// folder) and reaches it through this table, the library's one export. Both are built together
// from this tree, so the table may carry C++ types and the functions throw ExportError and
// ImportError as the code linked into lumora does.
#pragma once

#include <string>
#include <vector>

#include "export/ExportWriters.h"
#include "export/ImportedChoices.h"
#include "export/PackageOdbc.h"

namespace lumora::exporting {

enum class ExistingRows { kRefuse, kReplace };

struct InstallerFormats {
  int version;  // kInstallerFormatsVersion of the library that made the table
  // The tables WriteMsiTables made, written into `package` (see installer/MsiPackageInto.h).
  std::vector<std::string> (*writeIntoPackage)(const std::string& package,
                                               const ExportOutput& tables, ExistingRows existing);
  // An installer package or merge module (.msi, .msm): its five ODBC tables, with the File,
  // Component and Directory tables for where the files lie.
  ImportedChoices (*readInstallerPackage)(const std::string& path, const FolderSet& folders);
  // A WiX v3 source (.wxs): every ODBCDriver, ODBCTranslator and ODBCDataSource element.
  ImportedChoices (*readWixSource)(const std::string& path, const FolderSet& folders);
  // The ODBC part of an installer package as plain rows (export/PackageOdbc.h).
  PackageOdbc (*readPackageOdbc)(const std::string& path);
};

inline constexpr int kInstallerFormatsVersion = 2;
inline constexpr const char* kInstallerFormatsFile = "libBVLumoraInstaller.so";
inline constexpr const char* kInstallerFormatsEntry = "LumoraInstallerFormats";
using InstallerFormatsEntry = const InstallerFormats* (*)();

// The library's table (platform/PluginLibrary.h), the library kept for the process. Throws
// HostError (not done, so exit 1) naming the file and why when it cannot be loaded or is not
// this build's; `nothing written` then holds for every caller, which loads it before writing.
const InstallerFormats& LoadInstallerFormats();

}  // namespace lumora::exporting
