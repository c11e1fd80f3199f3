// Who holds a lock on a file, as the system tells it (Linux lists every lock in /proc/locks), so
// that a save that waits can say whom it waits for.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace lumora {

// The process holding a granted flock or POSIX lock on the file (device, inode), read from the
// text of /proc/locks; nullopt when none is listed.
std::optional<pid_t> LockHolderIn(const std::string& procLocks, dev_t device, ino_t inode);

// "process 1234 (lumora)" for the holder of a lock on the file, its name when the system tells
// it; "" when it cannot be told.
std::string DescribeLockHolder(dev_t device, ino_t inode);

}  // namespace lumora
