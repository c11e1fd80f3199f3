// Every file-system call that a safe write makes (platform/SafeSave.h: a design-object save, the
// component registry, a catalogue, export's output folder), behind one interface so that tests
// can make any of them fail (a disk that fills, a rename that is refused) as leveldb's
// fault-injecting Env does. Each call mirrors its POSIX namesake and returns what it returns,
// except that a failure is -errno instead of -1 with errno set. PosixFileSystem is the real one;
// a design-object file keeps a reference to the one it was loaded with (the caller owns it).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace lumora {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual int Open(const std::string& path, int flags, mode_t mode) = 0;  // a descriptor
  virtual ssize_t Read(int fd, void* data, size_t size) = 0;
  virtual ssize_t Write(int fd, const void* data, size_t size) = 0;
  virtual int Sync(int fd) = 0;
  virtual int Truncate(int fd, off_t size) = 0;
  virtual int Close(int fd) = 0;
  virtual int Stat(int fd, struct stat& st) = 0;
  virtual int ChangeMode(int fd, mode_t mode) = 0;
  virtual int ChangeOwner(int fd, uid_t owner, gid_t group) = 0;
  // An exclusive lock (flock) held until the descriptor is closed; -EWOULDBLOCK at once when
  // another holds it.
  virtual int TryLock(int fd) = 0;
  virtual ssize_t ExtendedAttributeNames(int fd) = 0;  // the size of their list; 0 for none
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  virtual int Unlink(const std::string& path) = 0;
  virtual int MakeFolder(const std::string& path, mode_t mode) = 0;
  // The names in `folder` (. and .. aside); -errno on failure.
  virtual int List(const std::string& folder, std::vector<std::string>& names) = 0;
  // What `path` itself is (lstat: a symbolic link is not followed).
  virtual int StatPath(const std::string& path, struct stat& st) = 0;
  // `path` with every symbolic link and . and .. resolved (realpath).
  virtual int ResolvePath(const std::string& path, std::string& resolved) = 0;
  // 0 when this process may write `path` (its effective user and groups, ACLs included).
  virtual int CanWrite(const std::string& path) = 0;
};

// The machine's own file system.
class PosixFileSystem : public FileSystem {
 public:
  int Open(const std::string& path, int flags, mode_t mode) override;
  ssize_t Read(int fd, void* data, size_t size) override;
  ssize_t Write(int fd, const void* data, size_t size) override;
  int Sync(int fd) override;
  int Truncate(int fd, off_t size) override;
  int Close(int fd) override;
  int Stat(int fd, struct stat& st) override;
  int ChangeMode(int fd, mode_t mode) override;
  int ChangeOwner(int fd, uid_t owner, gid_t group) override;
  int TryLock(int fd) override;
  ssize_t ExtendedAttributeNames(int fd) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Unlink(const std::string& path) override;
  int MakeFolder(const std::string& path, mode_t mode) override;
  int List(const std::string& folder, std::vector<std::string>& names) override;
  int StatPath(const std::string& path, struct stat& st) override;
  int ResolvePath(const std::string& path, std::string& resolved) override;
  int CanWrite(const std::string& path) override;
};

// One PosixFileSystem for the process (it holds no state).
FileSystem& MachineFileSystem();

}  // namespace lumora
