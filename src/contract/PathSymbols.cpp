#include "contract/PathSymbols.h"

namespace lumora {
namespace {

constexpr PathSymbol kTable[] = {
    {"<WINSYSDIR>", KnownFolder::kSystem, "SystemFolder", ""},
    {"<WINDIR>", KnownFolder::kWindows, "WindowsFolder", ""},
    {"<COMMONFILES>\\System", KnownFolder::kCommonFilesSystem, "CommonFilesFolder", "System"},
    {"<COMMONFILES>", KnownFolder::kCommonFiles, "CommonFilesFolder", ""},
    {"<PROGRAMFILES>", KnownFolder::kProgramFiles, "ProgramFilesFolder", ""},
    {"<DAO>", KnownFolder::kDao, "", ""},
};

}  // namespace

std::span<const PathSymbol> PathSymbolTable() {
  return kTable;
}

const PathSymbol* LeadingPathSymbol(std::string_view value) {
  for (const PathSymbol& row : kTable) {
    if (value.starts_with(row.symbol) &&
        (value.size() == row.symbol.size() || value[row.symbol.size()] == '\\')) {
      return &row;
    }
  }
  return nullptr;
}

std::string FolderPath(SystemFolders& folders, KnownFolder folder) {
  switch (folder) {
    case KnownFolder::kSystem:
      return folders.SystemFolder();
    case KnownFolder::kWindows:
      return folders.WindowsFolder();
    case KnownFolder::kCommonFilesSystem:
      return folders.CommonFilesSystemFolder();
    case KnownFolder::kCommonFiles:
      return folders.CommonFilesFolder();
    case KnownFolder::kProgramFiles:
      return folders.ProgramFilesFolder();
    case KnownFolder::kDao:
      return folders.DaoFolder();
  }
  return {};
}

}  // namespace lumora
