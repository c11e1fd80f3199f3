#include "support/doubles/FaultyFileSystem.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>

namespace lumora::testing {

int FaultyFileSystem::Injected(const char* call, const std::string& path) {
  calls.push_back(std::string(call) + " " + path);
  for (size_t i = 0; i < faults.size(); ++i) {
    const Fault& f = faults[i];
    const bool matches =
        f.call == call && (f.whole ? path == f.path : path.find(f.path) != std::string::npos);
    if (!matches) continue;
    const int n = ++seen_[i];
    if (f.nth == 0 || f.nth == n) return -f.error;
  }
  return 0;
}

std::string FaultyFileSystem::PathOf(int fd) const {
  const auto found = open_.find(fd);
  return found == open_.end() ? std::string() : found->second;
}

int FaultyFileSystem::Open(const std::string& path, int flags, mode_t mode) {
  if (const int e = Injected("Open", path)) return e;
  if ((flags & O_CREAT) != 0 && (flags & O_EXCL) != 0 && !refuseNewFilesUnder.empty() &&
      path.rfind(refuseNewFilesUnder, 0) == 0) {
    return -EACCES;
  }
  const int fd = PosixFileSystem::Open(path, flags, mode);
  if (fd >= 0) {
    open_[fd] = path;
    if (path.find(fullFor) != std::string::npos) full_.insert(fd);
  }
  return fd;
}

int FaultyFileSystem::Close(int fd) {
  const std::string path = PathOf(fd);
  full_.erase(fd);
  open_.erase(fd);
  const int closed = PosixFileSystem::Close(fd);
  if (const int e = Injected("Close", path)) return e;
  return closed;
}

ssize_t FaultyFileSystem::Read(int fd, void* data, size_t size) {
  if (const int e = Injected("Read", PathOf(fd))) return e;
  return PosixFileSystem::Read(fd, data, size);
}

ssize_t FaultyFileSystem::Write(int fd, const void* data, size_t size) {
  if (const int e = Injected("Write", PathOf(fd))) return e;
  if (writeBudget < 0 || full_.count(fd) == 0) return PosixFileSystem::Write(fd, data, size);
  if (writeBudget == 0) return -ENOSPC;
  const size_t chunk = std::min<size_t>(size, static_cast<size_t>(writeBudget));
  const ssize_t n = PosixFileSystem::Write(fd, data, chunk);
  if (n > 0) writeBudget -= n;
  return n;
}

int FaultyFileSystem::Sync(int fd) {
  if (const int e = Injected("Sync", PathOf(fd))) return e;
  return PosixFileSystem::Sync(fd);
}
int FaultyFileSystem::Truncate(int fd, off_t size) {
  if (const int e = Injected("Truncate", PathOf(fd))) return e;
  return PosixFileSystem::Truncate(fd, size);
}
int FaultyFileSystem::Stat(int fd, struct stat& st) {
  if (const int e = Injected("Stat", PathOf(fd))) return e;
  return PosixFileSystem::Stat(fd, st);
}
int FaultyFileSystem::ChangeMode(int fd, mode_t mode) {
  if (const int e = Injected("ChangeMode", PathOf(fd))) return e;
  return PosixFileSystem::ChangeMode(fd, mode);
}
int FaultyFileSystem::ChangeOwner(int fd, uid_t owner, gid_t group) {
  if (const int e = Injected("ChangeOwner", PathOf(fd))) return e;
  return PosixFileSystem::ChangeOwner(fd, owner, group);
}
int FaultyFileSystem::TryLock(int fd) {
  if (const int e = Injected("TryLock", PathOf(fd))) return e;
  return PosixFileSystem::TryLock(fd);
}
ssize_t FaultyFileSystem::ExtendedAttributeNames(int fd) {
  if (const int e = Injected("ExtendedAttributeNames", PathOf(fd))) return e;
  return PosixFileSystem::ExtendedAttributeNames(fd);
}
int FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  if (const int e = Injected("Rename", from)) return e;
  return PosixFileSystem::Rename(from, to);
}
int FaultyFileSystem::Unlink(const std::string& path) {
  if (const int e = Injected("Unlink", path)) return e;
  return PosixFileSystem::Unlink(path);
}
int FaultyFileSystem::MakeFolder(const std::string& path, mode_t mode) {
  if (const int e = Injected("MakeFolder", path)) return e;
  return PosixFileSystem::MakeFolder(path, mode);
}
int FaultyFileSystem::List(const std::string& folder, std::vector<std::string>& names) {
  if (const int e = Injected("List", folder)) return e;
  return PosixFileSystem::List(folder, names);
}
int FaultyFileSystem::StatPath(const std::string& path, struct stat& st) {
  if (const int e = Injected("StatPath", path)) return e;
  return PosixFileSystem::StatPath(path, st);
}
int FaultyFileSystem::ResolvePath(const std::string& path, std::string& resolved) {
  if (const int e = Injected("ResolvePath", path)) return e;
  return PosixFileSystem::ResolvePath(path, resolved);
}
int FaultyFileSystem::CanWrite(const std::string& path) {
  if (const int e = Injected("CanWrite", path)) return e;
  return PosixFileSystem::CanWrite(path);
}

}  // namespace lumora::testing
