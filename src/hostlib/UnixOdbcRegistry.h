// This machine's ODBC data sources as unixODBC keeps them, as a registry source. The user file
// (ODBCINI, else .odbc.ini in the home folder of the user's passwd entry) becomes the user
// root and the system file (odbc.ini in ODBCSYSINI, else in /etc) the machine root:
//   SOFTWARE\ODBC\ODBC.INI\<name>               one key per data-source section, its entries
//                                               as text values in file order
//   SOFTWARE\ODBC\ODBC.INI\ODBC Data Sources    one value per data-source section in file
//                                               order, its Driver entry as data
// The data sources are the sections `odbcinst -q -s` lists, read as unixODBC reads the files:
//  - a section starts with "[" (after blanks, in the user file; in the first column, in the
//    system file, which unixODBC merges into the user file's sections); its name runs to the
//    first "]" (or the line end), blanks trimmed, and is kept whole (a backslash is part of
//    it); an indented "[" line of the system file is skipped. When unixODBC ignores the user
//    file, the system file is read as the user file is;
//  - before the first section only blank lines and comments (# or ; after blanks) may stand:
//    any other line, a byte-order mark or an indented "[" included, makes unixODBC ignore the
//    whole file, and the file then holds no data sources;
//  - inside a section, # and ; lines are comments and "name = value" entries are trimmed;
//  - [ODBC] (unixODBC's settings) and [ODBC Data Sources] are no data sources;
//  - an empty section name "[]" ends the listing there, for this file and the system file;
//  - of sections or entries with the same name (ignoring case) the first counts.
// Text is UTF-8 when the whole file is, else Windows-1252. A missing file holds no data sources.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "hostlib/RegistryTree.h"

namespace lumora {

struct UnixOdbcFiles {
  std::string userFile;
  std::string systemFile;
};

// Where unixODBC looks for the two files, from the environment and the passwd entry.
UnixOdbcFiles LocateUnixOdbcFiles();

// Told once per file that unixODBC ignores: "FILE:LINE: ..." (the host prints it on stderr).
using OdbcIniWarning = std::function<void(const std::string&)>;

// The tree of both files. A file that cannot be read or that unixODBC ignores adds nothing.
std::shared_ptr<RegistryTree> LoadUnixOdbcRegistry(const UnixOdbcFiles& files,
                                                   const OdbcIniWarning& warn = {});

struct OdbcIniOutcome {
  int rejectedLine = 0;    // the line that makes unixODBC ignore the file; 0 when read
  bool listEnded = false;  // an empty section name ended the listing
};

enum class OdbcIniMode {
  kFirst,   // the file unixODBC opens first: an indented "[" after the first section counts
  kMerged,  // a file merged into the first one: only a "[" in the first column counts
};

// Adds the data sources of one odbc.ini (its bytes, not yet decoded) below `root`.
OdbcIniOutcome AddOdbcIniToRoot(std::string_view bytes, RegistryTreeKey& root,
                                OdbcIniMode mode = OdbcIniMode::kFirst);

}  // namespace lumora
