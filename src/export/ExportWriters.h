// The three outputs of `lumora export`, each a set of files made in memory: the installer
// database's ODBC tables as .idt archive files, a WiX v3 fragment, and unixODBC templates for
// odbcinst. A writer refuses, with an ExportError naming the item, any name or value its format
// cannot carry, before a single file is made; what it can carry only in part is named in a warning.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "export/ExportChoices.h"
#include "hostlib/SystemFolderSet.h"

namespace lumora::exporting {

struct OutputFile {
  std::string name;  // a file name inside the output folder
  std::string text;
};

struct ExportOutput {
  std::vector<OutputFile> files;
  std::vector<std::string> warnings;
  // msi: the components the tables invent for data sources kept on uninstall, whose package row
  // needs the permanent bit (a fragment says Permanent="yes", which not every builder keeps).
  std::vector<std::string> permanentComponents;
};

struct ExportOptions {
  FolderSet folders;                   // what the path symbols stand for
  std::map<char, std::string> drives;  // where a Windows drive's files lie here (odbcinst)
  std::string component;               // "" gives one component per driver (msi, wix)
};

// ODBCDriver.idt, ODBCTranslator.idt, ODBCAttribute.idt, ODBCDataSource.idt,
// ODBCSourceAttribute.idt and _ForceCodepage.idt (UTF-8), lines ending in CR LF.
ExportOutput WriteMsiTables(const ExportChoices& choices, const ExportOptions& options);

// lumora-odbc.wxs: one Fragment with the components, their files and the ODBC elements.
ExportOutput WriteWixFragment(const ExportChoices& choices, const ExportOptions& options);

// odbcinst.ini (drivers), odbc-user.ini and odbc-system.ini (data sources), path symbols
// resolved to files of this machine through the host's folders and drive mapping.
ExportOutput WriteOdbcinstTemplates(const ExportChoices& choices, const ExportOptions& options);

}  // namespace lumora::exporting
