// Runs a program of ours as a child process for end-to-end tests and collects what it printed.
#pragma once

#include <initializer_list>
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

// A program of ours running as a child, driven line by line through its standard input, as a
// program driving a live wizard (`--script -`) does.
class LiveProcess {
 public:
  LiveProcess(const std::string& program, const std::vector<std::string>& args);
  ~LiveProcess();  // kills the child if it still runs
  LiveProcess(const LiveProcess&) = delete;
  LiveProcess& operator=(const LiveProcess&) = delete;

  void Send(const std::string& text);
  // Reads standard output until a line starting with `prefix` arrives; returns that line, or ""
  // when the output ends or `seconds` pass first.
  std::string WaitForLine(const std::string& prefix, int seconds = 20);
  // Reads standard error until it holds `text`; false when it ends or `seconds` pass first.
  bool WaitForError(const std::string& text, int seconds = 20);
  int pid() const { return pid_; }
  void CloseInput();
  // Closes standard input, waits for the end and returns all it printed.
  ProcessResult Finish();

 private:
  int pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string out_text_, pending_, err_text_;
};

// The folder holding the built binaries (env LUMORA_BIN_DIR, set by CTest).
std::string BinDir();
// The lumora program of the build.
inline std::string Lumora() {
  return BinDir() + "/lumora";
}
// A fresh temporary folder, removed with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Writes the file `name` (a path below the folder), making the folders it lies in.
  void Write(const std::string& name, const std::string& content) const;
  // The names the folder holds, sorted.
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
// The permission bits of a file, 0 when it does not exist.
unsigned ModeOf(const std::string& path);
// A component registry that names `library` as the class of LumoraCtl.
inline std::string RegistryNaming(const std::string& library) {
  return "{\"classes\": {\"{AFB22445-A174-40F6-8071-E46B5B17970C}\": {\"path\": \"" + library +
         "\"}}, \"progIds\": {\"BVLumora.LumoraCtl\": \"{AFB22445-A174-40F6-8071-E46B5B17970C}\"}}";
}
// The lines of `text`, each without its line end (LF or CR LF).
std::vector<std::string> Lines(const std::string& text);
// Runs `command` with /bin/sh, expects it to succeed and returns its standard output.
std::string Shell(const std::string& command);
// "" when every tool is on the PATH, else which one is missing.
std::string MissingTool(std::initializer_list<const char*> tools);

// True under CI=true, where ./setup has installed every tool.
bool InCi();

// Skips the test for what `why` says is missing (a tool, a driver, a server), or fails it under
// CI=true; does nothing when `why` is empty.
#define SKIP_FOR_MISSING(why)                                             \
  if (const std::string lumora_missing = (why); lumora_missing.empty()) { \
  } else if (::lumora::testing::InCi()) {                                 \
    FAIL() << lumora_missing << " (CI=true: ./setup installs it)";        \
  } else                                                                  \
    GTEST_SKIP() << lumora_missing

#define SKIP_WITHOUT(...) SKIP_FOR_MISSING(::lumora::testing::MissingTool({__VA_ARGS__}))

}  // namespace lumora::testing
