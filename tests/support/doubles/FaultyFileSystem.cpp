#include "support/doubles/FaultyFileSystem.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>

namespace lumora::testing {

int FaultyFileSystem::Open(const std::string& path, int flags, mode_t mode) {
  if ((flags & O_CREAT) != 0 && (flags & O_EXCL) != 0 && !refuseNewFilesUnder.empty() &&
      path.rfind(refuseNewFilesUnder, 0) == 0) {
    return -EACCES;
  }
  const int fd = PosixFileSystem::Open(path, flags, mode);
  if (fd >= 0 && path.find(fullFor) != std::string::npos) full_.insert(fd);
  return fd;
}

int FaultyFileSystem::Close(int fd) {
  full_.erase(fd);
  return PosixFileSystem::Close(fd);
}

ssize_t FaultyFileSystem::Write(int fd, const void* data, size_t size) {
  if (writeBudget < 0 || full_.count(fd) == 0) return PosixFileSystem::Write(fd, data, size);
  if (writeBudget == 0) return -ENOSPC;
  const size_t chunk = std::min<size_t>(size, static_cast<size_t>(writeBudget));
  const ssize_t n = PosixFileSystem::Write(fd, data, chunk);
  if (n > 0) writeBudget -= n;
  return n;
}

int FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  if (renameError != 0) return -renameError;
  return PosixFileSystem::Rename(from, to);
}

}  // namespace lumora::testing
