// The machine's file system with faults injected on request, as leveldb's fault-injection Env:
// a disk that fills after some bytes of a file, a rename that is refused, files that cannot be
// made in a folder. Everything else goes to the real calls.
#pragma once

#include <set>
#include <string>

#include "host/FileSystem.h"

namespace lumora::testing {

class FaultyFileSystem : public PosixFileSystem {
 public:
  // Writes to files whose path holds `fullFor` ("" for every file) fail with ENOSPC once this
  // many bytes were written to them in all (-1: never).
  long long writeBudget = -1;
  std::string fullFor;
  // Rename fails with this errno (0: never).
  int renameError = 0;
  // Creating a file whose path starts with this prefix fails with EACCES ("": never).
  std::string refuseNewFilesUnder;

  int Open(const std::string& path, int flags, mode_t mode) override;
  ssize_t Write(int fd, const void* data, size_t size) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Close(int fd) override;

 private:
  std::set<int> full_;  // descriptors that writeBudget applies to
};

}  // namespace lumora::testing
