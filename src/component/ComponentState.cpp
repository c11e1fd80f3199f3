#include "component/ComponentState.h"

#include "contract/LocalPaths.h"
#include "contract/SharedLibrary.h"

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
  return LibraryPathOf(reinterpret_cast<const void*>(&OwnLibraryPath));
}

std::string OwnFolder() {
  return FolderOf(OwnLibraryPath());
}

}  // namespace lumora::com
