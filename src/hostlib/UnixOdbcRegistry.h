// This machine's ODBC data sources as unixODBC keeps them, as a registry source. The user file
// (ODBCINI, else .odbc.ini in the home folder of the user's passwd entry) becomes the user
// root and the system file (odbc.ini in ODBCSYSINI, else in /etc) the machine root:
//   SOFTWARE\ODBC\ODBC.INI\<name>               one key per data-source section, its entries
//                                               as text values in file order
//   SOFTWARE\ODBC\ODBC.INI\ODBC Data Sources    one value per data-source section in file
//                                               order, its Driver entry as data
// The data sources are the sections `odbcinst -q -s` lists, read by the one reader of unixODBC
// files (platform/UnixOdbcIni.h): the user file as the file opened first, the system file merged
// into it (only "[" in the first column starts a section there, indented lines are dropped), or
// read as the user file is when unixODBC ignores that. An empty section name "[]" ends the
// listing, for its file and the system file. A name that would be a key with another use (all
// backslashes, or the list's own name in backslashes) is left out. A missing file holds no data
// sources.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "hostlib/RegistryTree.h"
#include "platform/UnixOdbcIni.h"

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

// Adds the data sources of one odbc.ini (its bytes, not yet decoded) below `root`; returns what
// was read (whether unixODBC ignores the file, where an empty name ended it).
UnixOdbcIni AddOdbcIniToRoot(std::string bytes, RegistryTreeKey& root,
                             UnixOdbcReading reading = UnixOdbcReading::kFirst);

}  // namespace lumora
