// The readers of `lumora import` that need the installer-format libraries; each refuses, with an
// ImportError naming the source and the table or element, anything it cannot turn into stored
// choices.
#pragma once

#include <string>

#include "export/ImportedChoices.h"
#include "export/PackageOdbc.h"

namespace lumora::exporting {

// An installer package or merge module (.msi, .msm): its five ODBC tables, with the File,
// Component and Directory tables for where the files lie.
ImportedChoices ReadInstallerPackage(const std::string& path, const FolderSet& folders);

// A WiX v3 source (.wxs): every ODBCDriver, ODBCTranslator and ODBCDataSource element.
ImportedChoices ReadWixSource(const std::string& path, const FolderSet& folders);

// The ODBC part of an installer package as plain rows, for `lumora check --package`; throws
// ExportError naming the package when libmsi cannot open it or a table lacks a column.
PackageOdbc ReadPackageOdbc(const std::string& path);

}  // namespace lumora::exporting
