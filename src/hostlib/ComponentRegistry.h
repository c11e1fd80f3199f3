// The per-user component registry, components.json in $XDG_DATA_HOME/lumora (else
// ~/.local/share/lumora; the home folder from the user database when HOME is unset or not an
// absolute path). The host reads it to find the library of a class and the component writes it
// when it registers. It is trusted only when it, and any library it names, belong to this user
// (or root) and no one else may write them; a registered library must be given by an absolute
// path and exist. Anything else is refused by name: a refused registry never falls back to
// another library.
#pragma once

#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

namespace lumora {

// The registry or a library it names cannot be used; what() names the file and why.
class ComponentRegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The registry's path; throws ComponentRegistryError when no home folder can be found.
std::string ComponentRegistryFile();

// The registry's content ({} when there is no file); throws ComponentRegistryError naming the
// file when it is not trusted, cannot be read, is not a JSON object or nests too deep.
nlohmann::ordered_json ReadComponentRegistry(const std::string& file);

// The library registered for the class `clsid` under `progId`, checked as above; "" when the
// registry has no such entry. Throws ComponentRegistryError.
std::string RegisteredLibrary(const std::string& file, const std::string& progId,
                              const std::string& clsid);

// "" when `path` belongs to this user or root and neither its group nor others may write it;
// else why it is not trusted.
std::string WhyNotTrusted(const std::string& path);

}  // namespace lumora
