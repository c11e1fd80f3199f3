// Plugin libraries on POSIX systems: dlopen, each library's symbols kept to itself.
#include <dlfcn.h>

#include "platform/PluginLibrary.h"

namespace lumora::plugin_os {

void* OpenLibrary(const std::string& path, std::string* why) {
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = ::dlerror();
    *why = reason != nullptr ? reason : "";
  }
  return library;
}

void* FindExport(void* library, const char* name) {
  return ::dlsym(library, name);
}

}  // namespace lumora::plugin_os
