// Paths of this machine's own file system, as the host and the component find their files: the
// folder a file lies in and the user's home folder. Windows paths held in design objects and
// registries are not these; they go through the host's path helper.
#pragma once

#include <string>
#include <string_view>

namespace lumora {

// The folder of the file `path`: "." when it names no folder, "/" for a file at the root.
std::string FolderOf(std::string_view path);
// The file's own name: what follows the last folder separator of `path`.
std::string NameOf(std::string_view path);

// Which source of the home folder is asked first; the other is the fallback.
enum class HomeLookup {
  kEnvironmentFirst,   // $HOME, then the user database (as shells and most programs do)
  kUserDatabaseFirst,  // the user database, then $HOME (as the ODBC driver manager does)
};

// The user's home folder, always absolute, or "" when neither source gives an absolute one (a
// relative or empty $HOME would let the current folder decide where files go).
std::string HomeFolder(HomeLookup order = HomeLookup::kEnvironmentFirst);

}  // namespace lumora
