// Writing the exported ODBC tables straight into an existing installer package (lumora export
// --format msi --into PACKAGE). The tables are the .idt files WriteMsiTables makes; they go in
// through libmsi, into a copy of the package that is renamed over it once written, so a package
// is either changed whole or left as it was.
#pragma once

#include <string>
#include <vector>

#include "export/ExportWriters.h"
#include "export/InstallerFormats.h"

namespace lumora::exporting {

// Throws ExportError (the package untouched) when a File or Component row the tables name is
// missing from the package, or, with kRefuse, when a row's key is already in its table.
// The components of data sources kept on uninstall get the permanent bit in Component.Attributes.
// Returns what was written, one line per table ("ODBCDriver: 2 rows") and per component marked.
std::vector<std::string> WriteIntoPackage(const std::string& package, const ExportOutput& tables,
                                          ExistingRows existing);

}  // namespace lumora::exporting
