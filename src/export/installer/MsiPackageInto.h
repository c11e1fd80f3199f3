// Writing the exported ODBC tables straight into an existing installer package (lumora export
// --format msi --into PACKAGE). The tables are the .idt files WriteMsiTables makes; they go in
// through libmsi, into a copy of the package that is renamed over it once written, so a package
// is either changed whole or left as it was. The copy is made under the lock on the package's
// folder that saves and imports take, beside what a link at the package's name points to; the
// working files an interrupted run left there are removed first. Every message names the
// package as given, never its working copy.
#pragma once

#include <string>
#include <vector>

#include "export/ExportWriters.h"
#include "export/InstallerFormats.h"

namespace lumora::exporting {

// Throws ExportError (the package untouched) when a File or Component row the tables name is
// missing from the package (each named once, grouped), when the package's platform (its
// Template, "Intel;1033" or "x64;1033") is not the tables' architecture, or, with kRefuse, when
// a row's key is already in its table. Adds SetODBCFolders, RemoveODBC and InstallODBC to
// InstallExecuteSequence where the package lacks them. The components of data sources kept on
// uninstall get the permanent bit in Component.Attributes, and in a 64-bit package every
// component of the tables the 64-bit bit. Returns what was done, one line per table
// ("ODBCDriver: 2 rows"), per action and per component marked.
std::vector<std::string> WriteIntoPackage(const std::string& package, const ExportOutput& tables,
                                          ExistingRows existing);

}  // namespace lumora::exporting
