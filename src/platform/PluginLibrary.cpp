#include "platform/PluginLibrary.h"

namespace lumora {

void* PluginEntry(const std::string& path, const char* entry, const PluginUse& use) {
  std::string why;
  void* library = plugin_os::OpenLibrary(path, &why);
  if (library == nullptr) {
    throw HostError(use.kind, "cannot load " + use.library + use.purpose + ": " +
                                  (why.empty() ? path : why) + use.advice);
  }
  return plugin_os::FindExport(library, entry);
}

void RefuseForeignPlugin(const std::string& path, const PluginUse& use) {
  throw HostError(use.kind,
                  use.library + " " + path + " does not belong to " + use.owner + use.advice);
}

}  // namespace lumora
