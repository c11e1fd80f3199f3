// Runs the try program (lumora-odbc-try) once as a child process: the input goes to its standard
// input, its standard output is collected until it ends, and it is killed, with its whole process
// group, when it does not end in time or the caller cancels. Connection tries and driver loads
// both use it, so that a driver that hangs or crashes takes only the child down.
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace lumora::odbc {

struct TryRun {
  bool started = false;    // false: the program could not be run (see problem)
  bool late = false;       // killed at the timeout
  bool cancelled = false;  // killed because the caller cancelled
  int exitStatus = 0;      // its exit status when it ended by itself
  int signal = 0;          // the signal that ended it (on Windows: the crash, as its signal)
  std::string answer;      // what it wrote to standard output
  std::string problem;
};

// `program` with `arguments` (argv[1...]), `input` written to its standard input and then closed.
TryRun RunTryProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& input, int timeoutSeconds, const std::atomic<bool>* cancel);

}  // namespace lumora::odbc
