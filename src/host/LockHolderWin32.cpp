// LockHolder.h on Windows: the system keeps no list of lock holders that a program may read as
// Linux's /proc/locks, so a waiting save names no holder.
#include "host/LockHolder.h"

namespace lumora {

std::optional<pid_t> LockHolderIn(const std::string&, dev_t, ino_t) {
  return std::nullopt;
}

std::string DescribeLockHolder(dev_t, ino_t) {
  return {};
}

}  // namespace lumora
