#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace lumora {
namespace {

// The call's result, or -errno when it failed; interrupted calls are repeated.
template <class Call>
auto Retry(Call call) -> decltype(call()) {
  for (;;) {
    const auto result = call();
    if (result >= 0) return result;
    if (errno != EINTR) return -errno;
  }
}

}  // namespace

int PosixFileSystem::Open(const std::string& path, int flags, mode_t mode) {
  return Retry([&] { return ::open(path.c_str(), flags | O_CLOEXEC, mode); });
}
ssize_t PosixFileSystem::Read(int fd, void* data, size_t size) {
  return Retry([&] { return ::read(fd, data, size); });
}
ssize_t PosixFileSystem::Write(int fd, const void* data, size_t size) {
  return Retry([&] { return ::write(fd, data, size); });
}
int PosixFileSystem::Sync(int fd) {
  return Retry([&] { return ::fsync(fd); });
}
int PosixFileSystem::Truncate(int fd, off_t size) {
  return Retry([&] { return ::ftruncate(fd, size); });
}
int PosixFileSystem::Close(int fd) {
  return ::close(fd) == 0 ? 0 : -errno;
}
int PosixFileSystem::Stat(int fd, struct stat& st) {
  return Retry([&] { return ::fstat(fd, &st); });
}
int PosixFileSystem::ChangeMode(int fd, mode_t mode) {
  return Retry([&] { return ::fchmod(fd, mode); });
}
int PosixFileSystem::ChangeOwner(int fd, uid_t owner, gid_t group) {
  return Retry([&] { return ::fchown(fd, owner, group); });
}
int PosixFileSystem::TryLock(int fd) {
  return Retry([&] { return ::flock(fd, LOCK_EX | LOCK_NB); });
}
ssize_t PosixFileSystem::ExtendedAttributeNames(int fd) {
  const ssize_t size = ::flistxattr(fd, nullptr, 0);
  if (size >= 0) return size;
  return errno == ENOTSUP ? 0 : -errno;  // a file system without them holds none
}
int PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  return Retry([&] { return ::rename(from.c_str(), to.c_str()); });
}
int PosixFileSystem::Unlink(const std::string& path) {
  return Retry([&] { return ::unlink(path.c_str()); });
}
int PosixFileSystem::MakeFolder(const std::string& path, mode_t mode) {
  return Retry([&] { return ::mkdir(path.c_str(), mode); });
}
int PosixFileSystem::List(const std::string& folder, std::vector<std::string>& names) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return -errno;
  names.clear();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return 0;
}

int PosixFileSystem::StatPath(const std::string& path, struct stat& st) {
  return Retry([&] { return ::lstat(path.c_str(), &st); });
}
int PosixFileSystem::ResolvePath(const std::string& path, std::string& resolved) {
  char* made = ::realpath(path.c_str(), nullptr);
  if (made == nullptr) return -errno;
  resolved = made;
  std::free(made);
  return 0;
}
int PosixFileSystem::CanWrite(const std::string& path) {
  return Retry([&] { return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS); });
}

FileSystem& MachineFileSystem() {
  static PosixFileSystem machine;
  return machine;
}

}  // namespace lumora
