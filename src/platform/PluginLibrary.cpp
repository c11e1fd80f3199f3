#include "platform/PluginLibrary.h"

#include "contract/SharedLibrary.h"

namespace lumora {

void* PluginEntry(const std::string& path, const char* entry, const PluginUse& use) {
  const LoadedLibrary library = LoadSharedLibrary(path);
  if (library.handle == nullptr) {
    throw HostError(use.kind, "cannot load " + use.library + use.purpose + ": " +
                                  (library.error.empty() ? path : library.error) + use.advice);
  }
  return LibrarySymbol(library.handle, entry);
}

void RefuseForeignPlugin(const std::string& path, const PluginUse& use) {
  throw HostError(use.kind,
                  use.library + " " + path + " does not belong to " + use.owner + use.advice);
}

}  // namespace lumora
