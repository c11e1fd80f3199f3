// This machine's ODBC data sources as unixODBC keeps them, as a registry source. The user file
// (ODBCINI, else .odbc.ini in the home folder of the user's passwd entry) becomes the user
// root and the system file (odbc.ini in ODBCSYSINI, else in /etc) the machine root:
//   SOFTWARE\ODBC\ODBC.INI\<name>               one key per data-source section, its entries
//                                               as text values in file order
//   SOFTWARE\ODBC\ODBC.INI\ODBC Data Sources    the file's own [ODBC Data Sources] section when
//                                               it has one, else one value per data-source
//                                               section in file order, its Driver entry as data
// The files are read as unixODBC reads them: blanks trimmed, # and ; lines are comments,
// section names compare ignoring case and the first of duplicate sections or entries counts.
// [ODBC] and [ODBC Data Sources] are not data sources. A missing file holds no data sources.
#pragma once

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

// The tree of both files (a file that cannot be read adds nothing).
std::shared_ptr<RegistryTree> LoadUnixOdbcRegistry(const UnixOdbcFiles& files);

// Adds the data sources of one odbc.ini text below `root`.
void AddOdbcIniToRoot(std::string_view text, RegistryTreeKey& root);

}  // namespace lumora
