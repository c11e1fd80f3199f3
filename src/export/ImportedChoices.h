// What `lumora import` reads back from installer input: drivers, translators and data sources
// with their attribute lines in the stored form (path symbols where a file lies in one of the
// host's well-known folders), each data source with its type and uninstall flag. One reader per
// source kind; each refuses, with an ImportError naming the source and the table, element or
// line, anything it cannot turn into stored choices, before anything is stored.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "export/ExportChoices.h"
#include "hostlib/SystemFolderSet.h"

namespace lumora::exporting {

// A source refused: bad input, and the object is not written.
class ImportError : public HostError {
 public:
  explicit ImportError(const std::string& message)
      : HostError(Kind::kBadInput, message + "; nothing written") {}
};

struct ImportedItem {
  std::string name;
  std::vector<AttributeLine> lines;
  bool system = false;    // data sources
  bool uninstall = true;  // data sources: removed again on uninstall
  std::string where;      // "PACKAGE: table ODBCDriver", "FILE:12", for messages
};

struct ImportedChoices {
  std::vector<ImportedItem> drivers, translators, dataSources;
  std::vector<std::string> warnings;
  std::vector<std::string> notes;  // what was read about the source itself (its architecture)
};

enum class SourceType { kUnstated, kUser, kSystem };

// Installer packages and WiX sources are read by the installer-format library
// (export/InstallerFormats.h).

// unixODBC files: a file named odbcinst.ini holds drivers, any other holds data sources of the
// type `type` gives (odbc-system.ini and odbc-user.ini as their names say when unstated).
// Paths under a folder of `drives` are turned back into Windows paths and path symbols.
ImportedChoices ReadOdbcinstFile(const std::string& path, SourceType type, const FolderSet& folders,
                                 const std::map<char, std::string>& drives);

// The path symbol form of a Windows path lying in one of the six folders (the longest of them
// that holds it), or `path` unchanged.
std::string ToSymbolPath(const std::string& path, const FolderSet& folders);

// A formatted value turned back into a stored one: a leading folder property ([SystemFolder])
// becomes the folder's path symbol, and the escapes [\[] and [\]] the brackets they stand for.
std::string FromFormattedValue(const std::string& value, const FolderSet& folders);

// The Windows path of a folder property (SystemFolder, CommonFilesFolder, ...) and the folders
// below it; "" as the base for a property that is none of the host's.
std::string FolderPropertyPath(const std::string& property, const FolderSet& folders);

// Checks what the stored lists can carry (a non-empty UTF-8 name, attribute lines without line
// breaks); throws ImportError naming the item's source.
void CheckStorable(const ImportedChoices& choices);

}  // namespace lumora::exporting
