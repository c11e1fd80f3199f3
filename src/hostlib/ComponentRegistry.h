// The per-user component registry, components.json in $XDG_DATA_HOME/lumora (else
// ~/.local/share/lumora; the home folder from the user database when HOME is unset or not an
// absolute path). The host reads it to find the library of a class and the component writes it
// when it registers. It is trusted only when it, and any library it names, belong to this user
// (or root) and no one else may write them; a registered library must be given by an absolute
// path and exist. Anything else is refused by name: a refused registry never falls back to
// another library.
#pragma once

#include <stdexcept>
#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "contract/HostError.h"

namespace lumora {

// The registry's path; throws HostError when no home folder can be found.
std::string ComponentRegistryFile();

// The registry's content ({} when there is no file). The file is opened once, never through a
// symbolic link, checked on that descriptor as a library is (it and every folder above it, see
// OpenCheckedLibrary) and read from it. Throws HostError naming the file when it is not trusted,
// cannot be read, is not a JSON object or nests too deep.
nlohmann::ordered_json ReadComponentRegistry(const std::string& file);

// A library file opened once, without following a symbolic link at its last step, and checked
// on that descriptor; loading it through LoadName() loads the very file that was checked, whatever
// has happened to its path since. Owns the descriptor until Release().
class CheckedLibrary {
 public:
  CheckedLibrary() = default;
  CheckedLibrary(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  ~CheckedLibrary();
  CheckedLibrary(CheckedLibrary&& other) noexcept;
  CheckedLibrary& operator=(CheckedLibrary&& other) noexcept;

  bool empty() const { return path_.empty(); }
  const std::string& path() const { return path_; }
  // The name to pass to dlopen: the descriptor's own, under /proc/self/fd.
  std::string LoadName() const;
  // Leaves the descriptor open for the rest of the process, as a loaded library stays: the
  // library's own path, read through its /proc name, stays its file's.
  void Release() { fd_ = -1; }

 private:
  std::string path_;
  int fd_ = -1;
};

// The library registered for the class `clsid` under `progId`, opened and checked as above;
// empty when the registry has no such entry. Throws HostError.
CheckedLibrary RegisteredLibrary(const std::string& file, const std::string& progId,
                                 const std::string& clsid);

// Opens the library at the absolute `path` and checks it and every folder above it: owned by
// this user or root, written by no one else (a folder that others may write only when it is
// sticky); the last step never follows a symbolic link. Throws HostError
// "NAMED is not trusted: WHY; nothing was loaded".
CheckedLibrary OpenCheckedLibrary(const std::string& path, const std::string& named);

// The registry's text, read from the file whose trust was checked (on POSIX the very descriptor
// checked); nullopt when there is no registry. Throws HostError when it is not trusted or cannot
// be read.
std::optional<std::string> ReadTrustedRegistryText(const std::string& file);

// Whether a registered library's path is absolute on this platform ("/..." here, "C:\..." or
// "\\server\..." on Windows).
bool IsAbsoluteLibraryPath(const std::string& path);

// "" when `path` belongs to this user or root and neither its group nor others may write it;
// else why it is not trusted.
std::string WhyNotTrusted(const std::string& path);

}  // namespace lumora
