// Runs a program of ours as a child process for end-to-end tests and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace lumora::testing {

struct ProcessResult {
  int exitStatus = -1;
  std::string out;
  std::string err;
};

// Runs `program` with `args`, standard input from `input`; waits for it.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input = "");

// The folder holding the built binaries (env LUMORA_BIN_DIR, set by CTest).
std::string BinDir();
// A fresh temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  void Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);

}  // namespace lumora::testing
