#include "platform/odbc/ConnectionTry.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sstream>

#include "contract/LocalPaths.h"

extern char** environ;

namespace lumora::odbc {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t tab = line.find('\t'); tab != std::string::npos; tab = line.find('\t', start)) {
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(line.substr(start));
  return fields;
}

void ReadAnswer(const std::string& text, const std::vector<Attribute>& attributes,
                TryOutcome& outcome) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> f = Fields(MaskSecrets(line, attributes));
    if (f[0] == "connected") {
      outcome.result = TryResult::kConnected;
    } else if (f[0] == "failed") {
      outcome.result = TryResult::kFailed;
    } else if (f[0] == "dbms" && f.size() >= 3) {
      outcome.dbmsName = f[1];
      outcome.dbmsVersion = f[2];
    } else if (f[0] == "driver" && f.size() >= 3) {
      outcome.driverFile = f[1];
      outcome.driverVersion = f[2];
    } else if (f[0] == "diag" && f.size() >= 4) {
      std::string message = f[3];
      while (!message.empty() && message.back() == ' ') message.pop_back();
      outcome.diagnostics.push_back({f[1], std::strtol(f[2].c_str(), nullptr, 10), message});
    }
  }
}

struct Child {
  pid_t pid = -1;
  int out = -1;
};

// Starts the program in a process group of its own, standard input a socket (so that writing
// to a child that is gone raises no SIGPIPE here) and standard output a pipe.
bool Start(const std::string& program, Child& child, int& inSocket, std::string& problem) {
  int in[2], out[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) {
    problem = std::strerror(errno);
    return false;
  }
  if (::pipe2(out, O_CLOEXEC) != 0) {
    problem = std::strerror(errno);
    ::close(in[0]);
    ::close(in[1]);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[1], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  const int failed =
      ::posix_spawn(&child.pid, program.c_str(), &actions, &attributes, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(in[1]);
  ::close(out[1]);
  if (failed != 0) {
    problem = program + ": " + std::strerror(failed);
    ::close(in[0]);
    ::close(out[0]);
    return false;
  }
  inSocket = in[0];
  child.out = out[0];
  return true;
}

}  // namespace

std::string TryProgramBesideThisLibrary() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&TryProgramBesideThisLibrary), &info) == 0 ||
      info.dli_fname == nullptr) {
    return kTryProgram;
  }
  return FolderOf(info.dli_fname) + "/" + kTryProgram;
}

std::string SignalName(int signal) {
  const char* abbrev = ::sigabbrev_np(signal);
  return abbrev != nullptr ? std::string("SIG") + abbrev : "signal " + std::to_string(signal);
}

TryOutcome TryConnection(const std::string& connectionString,
                         const std::vector<Attribute>& attributes, const TrySettings& settings) {
  TryOutcome outcome;
  Child child;
  int in = -1;
  if (!Start(settings.program, child, in, outcome.problem)) return outcome;
  const std::string input = connectionString + "\n";
  for (size_t sent = 0; sent < input.size();) {
    const ssize_t n = ::send(in, input.data() + sent, input.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;  // the child is gone: its status says why
    sent += static_cast<size_t>(n);
  }
  ::close(in);

  const auto deadline = Clock::now() + std::chrono::seconds(settings.timeoutSeconds);
  std::string answer;
  bool ended = false, cancelled = false, late = false;
  int status = 0;
  while (true) {
    if (settings.cancel != nullptr && settings.cancel->load()) {
      cancelled = true;
      break;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      late = true;
      break;
    }
    if (child.out >= 0) {
      pollfd p{child.out, POLLIN, 0};
      const int wait = static_cast<int>(std::min<long long>(left.count(), 100));
      if (::poll(&p, 1, wait) > 0) {
        char buffer[4096];
        const ssize_t n = ::read(child.out, buffer, sizeof buffer);
        if (n > 0) {
          answer.append(buffer, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
          ::close(child.out);
          child.out = -1;
        }
      }
      continue;
    }
    const pid_t done = ::waitpid(child.pid, &status, WNOHANG);
    if (done == child.pid) {
      ended = true;
      break;
    }
    ::usleep(2000);
  }
  if (!ended) {
    ::kill(-child.pid, SIGKILL);
    ::waitpid(child.pid, &status, 0);
  }
  if (child.out >= 0) ::close(child.out);

  if (cancelled) {
    outcome.result = TryResult::kCancelled;
  } else if (late) {
    outcome.result = TryResult::kNoAnswer;
    outcome.seconds = settings.timeoutSeconds;
  } else if (WIFSIGNALED(status)) {
    outcome.result = TryResult::kCrashed;
    outcome.signal = WTERMSIG(status);
  } else {
    ReadAnswer(answer, attributes, outcome);
    if (outcome.result == TryResult::kNotRun) {
      outcome.problem = settings.program + " gave no answer (exit status " +
                        std::to_string(WEXITSTATUS(status)) + ")";
    }
  }
  return outcome;
}

std::vector<Attribute> ConnectionAttributes(const std::string& attributeLines) {
  std::vector<Attribute> attributes;
  std::istringstream lines(attributeLines);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    Attribute a{line.substr(0, eq), line.substr(eq + 1)};
    if (SameIgnoringAsciiCase(a.key, "Driver") || SameIgnoringAsciiCase(a.key, "DriverName")) {
      continue;
    }
    attributes.push_back(std::move(a));
  }
  return attributes;
}

TryOutcome TryDataSource(const std::string& attributeLines,
                         const std::vector<InstalledDriver>& installed,
                         const TrySettings& settings) {
  std::string driverName, driverLine;
  std::istringstream lines(attributeLines);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    if (SameIgnoringAsciiCase(key, "DriverName") && driverName.empty())
      driverName = line.substr(eq + 1);
    if (SameIgnoringAsciiCase(key, "Driver") && driverLine.empty())
      driverLine = line.substr(eq + 1);
  }
  const std::vector<Attribute> attributes = ConnectionAttributes(attributeLines);
  const InstalledDriver* driver = FindInstalledDriver(installed, driverName, driverLine);
  if (driver == nullptr) {
    TryOutcome outcome;
    outcome.result = TryResult::kNotInstalled;
    outcome.driver = !driverName.empty() ? driverName : driverLine;
    return outcome;
  }
  TryOutcome outcome =
      TryConnection(ConnectionString(driver->name, attributes), attributes, settings);
  outcome.driver = driver->name;
  outcome.connection = MaskedConnectionString(driver->name, attributes);
  return outcome;
}

namespace {

std::string DiagnosticText(const Diagnostic& d) {
  return "[" + d.state + "] (native " + std::to_string(d.native) + ") " + d.message;
}

std::string Version(const std::string& name, const std::string& version) {
  return version.empty() ? name : name + " " + version;
}

}  // namespace

std::string DescribeOutcome(const TryOutcome& outcome) {
  switch (outcome.result) {
    case TryResult::kConnected:
      return "connected: " + Version(outcome.dbmsName, outcome.dbmsVersion) + "; driver " +
             Version(outcome.driverFile, outcome.driverVersion);
    case TryResult::kFailed: {
      std::string text = "failed:";
      for (size_t i = 0; i < outcome.diagnostics.size(); ++i) {
        text += (i == 0 ? " " : "; ") + DiagnosticText(outcome.diagnostics[i]);
      }
      if (outcome.diagnostics.empty()) text += " no diagnostic";
      return text;
    }
    case TryResult::kNotInstalled:
      return "driver \"" + outcome.driver + "\" not installed on this machine: not tried";
    case TryResult::kNoAnswer:
      return "no answer in " + std::to_string(outcome.seconds) + " s";
    case TryResult::kCrashed:
      return "the driver crashed (" + SignalName(outcome.signal) + ")";
    case TryResult::kCancelled:
      return "cancelled";
    case TryResult::kNotRun:
      return "not tried: " + outcome.problem;
  }
  return "";
}

std::string DescribeOutcomeForPerson(const TryOutcome& outcome, const std::string& dataSource) {
  switch (outcome.result) {
    case TryResult::kConnected:
      return "'" + dataSource + "' connected to " + Version(outcome.dbmsName, outcome.dbmsVersion) +
             " through " + Version(outcome.driverFile, outcome.driverVersion) + ".";
    case TryResult::kFailed: {
      std::string text = "'" + dataSource + "' did not connect:";
      for (const Diagnostic& d : outcome.diagnostics) text += "\n" + DiagnosticText(d);
      return text;
    }
    case TryResult::kNotInstalled:
      return "The driver \"" + outcome.driver + "\" of '" + dataSource +
             "' is not installed on this machine: not tried.";
    default:
      return "'" + dataSource + "': " + DescribeOutcome(outcome) + ".";
  }
}

}  // namespace lumora::odbc
