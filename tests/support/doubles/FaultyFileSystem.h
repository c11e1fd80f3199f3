// The machine's file system with faults injected on request, as leveldb's fault-injection Env:
// any call failing with an errno for the paths it names, and a disk that fills after some bytes of
// a file. Everything else goes to the real calls.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace lumora::testing {

// The call named `call` ("Open", "Sync", "Rename"..., as in FileSystem) fails with `error` when
// its path (for calls on a descriptor, the path it was opened with) holds `path`, or equals it
// when `whole` is set; only the `nth` such call (1 for the first) when `nth` is not 0.
struct Fault {
  std::string call;
  std::string path;
  int error = 0;
  bool whole = false;
  int nth = 0;
};

class FaultyFileSystem : public PosixFileSystem {
 public:
  std::vector<Fault> faults;
  // Writes to files whose path holds `fullFor` ("" for every file) fail with ENOSPC once this
  // many bytes were written to them in all (-1: never).
  long long writeBudget = -1;
  std::string fullFor;

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

 private:
  // -errno of the fault for this call, or 0.
  int Injected(const char* call, const std::string& path);
  std::string PathOf(int fd) const;

  std::map<int, std::string> open_;  // descriptor -> path
  std::map<size_t, int> seen_;       // fault index -> matching calls so far
  std::set<int> full_;               // descriptors that writeBudget applies to
};

}  // namespace lumora::testing
