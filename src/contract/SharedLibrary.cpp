#include "contract/SharedLibrary.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

namespace lumora {

LoadedLibrary LoadSharedLibrary(const std::string& path) {
  LoadedLibrary library;
  library.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library.handle == nullptr) {
    const char* why = ::dlerror();
    library.error = why != nullptr ? why : path;
  }
  return library;
}

void* LibrarySymbol(void* handle, const char* name) {
  return ::dlsym(handle, name);
}

std::string LibraryPathOf(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved) != nullptr) return resolved;
  return info.dli_fname;
}

const char* const kProgramSuffix = "";

bool IsProgramFile(const std::string& path) {
  return ::access(path.c_str(), X_OK) == 0;
}

std::string ProgramPath() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return {};
  path.resize(static_cast<size_t>(n));
  return path;
}

}  // namespace lumora
