// Runs the try program (lumora-odbc-try) once as a child process: the input goes to its standard
// input, its standard output is collected until it ends, its standard error is collected escaped
// and cut, and it is stopped when it does not end in time, the caller cancels or the caller's
// deadline passes. The try program ends every process the driver started (it is their subreaper)
// when it is stopped; the process group is killed as well. Connection tries and driver loads both
// use it, so that a driver that hangs or crashes takes only the child down.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace lumora::odbc {

struct TrySettings {
  std::string program;  // the try program's path
  int timeoutSeconds = 10;
  const std::atomic<bool>* cancel = nullptr;  // polled while the try runs
  // No try starts after it, and one running at it is stopped.
  std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
};

// How much of a child's standard error is kept; the rest is counted.
inline constexpr size_t kErrorsKept = 2000;

struct TryRun {
  bool started = false;       // false: the program could not be run (see problem)
  bool late = false;          // stopped at the timeout
  bool pastDeadline = false;  // stopped (or not started) at the caller's deadline
  bool cancelled = false;     // stopped because the caller cancelled
  int exitStatus = 0;         // its exit status when it ended by itself
  int signal = 0;             // the signal that ended it (on Windows: the crash, as its signal)
  std::string answer;         // what it wrote to standard output
  std::string errors;    // what it wrote to standard error: escaped, the first kErrorsKept bytes
  size_t errorsCut = 0;  // bytes of standard error not kept
  std::string problem;
};

// `program` with `arguments` (argv[1...]), `input` written to its standard input and then closed.
TryRun RunTryProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& input, const TrySettings& settings);

}  // namespace lumora::odbc
