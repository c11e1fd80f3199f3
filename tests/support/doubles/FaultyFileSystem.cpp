#include "support/doubles/FaultyFileSystem.h"

#include <algorithm>
#include <cerrno>

namespace lumora::testing {

int FaultyFileSystem::Injected(const char* call, const std::string& path) {
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

// The calls that only fail on request: the fault, else the real call.
// clang-format off
#define LUMORA_PASS(Result, Call, Params, Path, Args)                   \
  Result FaultyFileSystem::Call Params {                                \
    if (const int e = Injected(#Call, Path)) return e;                  \
    return PosixFileSystem::Call Args;                                  \
  }
LUMORA_PASS(int, Sync, (int fd), PathOf(fd), (fd))
LUMORA_PASS(int, Truncate, (int fd, off_t size), PathOf(fd), (fd, size))
LUMORA_PASS(int, Stat, (int fd, struct stat& st), PathOf(fd), (fd, st))
LUMORA_PASS(int, ChangeMode, (int fd, mode_t mode), PathOf(fd), (fd, mode))
LUMORA_PASS(int, ChangeOwner, (int fd, uid_t owner, gid_t group), PathOf(fd), (fd, owner, group))
LUMORA_PASS(int, TryLock, (int fd), PathOf(fd), (fd))
LUMORA_PASS(ssize_t, ExtendedAttributeNames, (int fd), PathOf(fd), (fd))
LUMORA_PASS(int, Rename, (const std::string& from, const std::string& to), from, (from, to))
LUMORA_PASS(int, Unlink, (const std::string& path), path, (path))
LUMORA_PASS(int, MakeFolder, (const std::string& path, mode_t mode), path, (path, mode))
LUMORA_PASS(int, List, (const std::string& folder, std::vector<std::string>& names), folder, (folder, names))
LUMORA_PASS(int, StatPath, (const std::string& path, struct stat& st), path, (path, st))
LUMORA_PASS(int, ResolvePath, (const std::string& path, std::string& resolved), path, (path, resolved))
LUMORA_PASS(int, CanWrite, (const std::string& path), path, (path))
#undef LUMORA_PASS
// clang-format on

}  // namespace lumora::testing
