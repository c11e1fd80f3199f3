// The path symbols of stored attribute values ("<WINSYSDIR>\odbcjt32.dll"): each symbol, the
// host folder it stands for, and the installer database's folder property for it. One table,
// read both ways: the wizard turns a real path into its symbol, `lumora export` turns a symbol
// back into a folder. The table is the whole of this header's state; it owns nothing else.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "contract/SystemFolders.h"

namespace lumora {

enum class KnownFolder { kSystem, kWindows, kCommonFilesSystem, kCommonFiles, kProgramFiles, kDao };

struct PathSymbol {
  std::string_view symbol;  // "<WINSYSDIR>"
  KnownFolder folder;
  // The installer's folder property and the folder under it ("CommonFilesFolder", "System");
  // an empty property: none of its own (<DAO> lies wherever the host's DAO folder is).
  std::string_view property;
  std::string_view subfolder;
};

// In the order a path is matched against the folders: a folder before any folder that holds it
// (<COMMONFILES>\System before <COMMONFILES>).
std::span<const PathSymbol> PathSymbolTable();

// The symbol `value` starts with, followed by a backslash or the end, or null.
const PathSymbol* LeadingPathSymbol(std::string_view value);

// The host's folder for `folder`, ending in a backslash as the host reports it.
std::string FolderPath(SystemFolders& folders, KnownFolder folder);

}  // namespace lumora
