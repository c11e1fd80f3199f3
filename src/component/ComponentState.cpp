#include "component/ComponentState.h"
#include "contract/LocalPaths.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>

namespace lumora::com {

std::atomic<long>& LiveObjects() {
  static std::atomic<long> count{0};
  return count;
}

std::atomic<long>& ServerLocks() {
  static std::atomic<long> count{0};
  return count;
}

std::string OwnLibraryPath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&OwnLibraryPath), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved) != nullptr) return resolved;
  return info.dli_fname;
}

std::string OwnFolder() {
  return FolderOf(OwnLibraryPath());
}

}  // namespace lumora::com
