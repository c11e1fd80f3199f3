// The three outputs of `lumora export`, each a set of files made in memory: the installer
// database's ODBC tables as .idt archive files, a WiX v3 fragment, and unixODBC templates for
// odbcinst. A writer refuses, with an ExportError naming the item, any name or value its format
// cannot carry, before a single file is made; what it can carry only in part is named in a warning.
#pragma once

#include <map>
#include <span>
#include <string>
#include <vector>

#include "export/ExportChoices.h"
#include "hostlib/SystemFolderSet.h"

namespace lumora::exporting {

// The package a component goes into: a 32-bit one (Template "Intel;...") or a 64-bit one
// ("x64;..."), whose components of drivers, translators and data sources are marked 64-bit.
enum class Arch { kX86, kX64 };

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
  // msi, wix: the package the components are for, and every component the output names (each
  // needs the 64-bit bit in an x64 package).
  Arch arch = Arch::kX86;
  std::vector<std::string> components;
};

struct ExportOptions {
  FolderSet folders;                   // what the path symbols stand for
  std::map<char, std::string> drives;  // where a Windows drive's files lie here (odbcinst)
  std::string component;               // "" gives one component per driver (msi, wix)
  Arch arch = Arch::kX86;              // msi, wix
  // wix: the folders, components and files alone, without the ODBC elements, as wixl takes it
  // (the ODBC tables then go in with --into).
  bool forWixl = false;
};

// The actions that make the installer read the ODBC tables, with their places in
// InstallExecuteSequence.
struct OdbcAction {
  const char* name;
  int sequence;
};
inline constexpr OdbcAction kOdbcActions[] = {
    {"SetODBCFolders", 1100}, {"RemoveODBC", 2400}, {"InstallODBC", 5400}};
inline std::span<const OdbcAction> OdbcActions() {
  return kOdbcActions;
}

// Component.Attributes: left installed when the product is uninstalled; a 64-bit component.
inline constexpr long kPermanentComponent = 16;
inline constexpr long k64BitComponent = 256;

inline constexpr const char* kPackageQueriesFile = "lumora-odbc.sql";

// ODBCDriver.idt, ODBCTranslator.idt, ODBCAttribute.idt, ODBCDataSource.idt,
// ODBCSourceAttribute.idt and _ForceCodepage.idt (UTF-8), lines ending in CR LF; and
// lumora-odbc.sql, the queries that make a package with those tables install them (the three
// ODBC actions in InstallExecuteSequence, the permanent bit of the components kept on
// uninstall), one a line, each for one `msibuild PACKAGE -q`.
ExportOutput WriteMsiTables(const ExportChoices& choices, const ExportOptions& options);

// lumora-odbc.wxs: one Fragment with the components, their files and the ODBC elements.
ExportOutput WriteWixFragment(const ExportChoices& choices, const ExportOptions& options);

// odbcinst.ini (drivers), odbc-user.ini and odbc-system.ini (data sources), path symbols
// resolved to files of this machine through the host's folders and drive mapping.
ExportOutput WriteOdbcinstTemplates(const ExportChoices& choices, const ExportOptions& options);

}  // namespace lumora::exporting
