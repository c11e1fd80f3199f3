#include "platform/odbc/TryProcess.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "platform/odbc/ConnectionTry.h"

extern char** environ;

namespace lumora::odbc {
namespace {

using Clock = std::chrono::steady_clock;

// How long the try program has, once asked to stop, to end the driver's processes itself.
constexpr auto kStopGrace = std::chrono::seconds(2);

struct Child {
  pid_t pid = -1;
  int in = -1;   // a socket, so that writing to a child that is gone raises no SIGPIPE here
  int out = -1;  // pipes
  int err = -1;
};

void CloseBoth(int fds[2]) {
  ::close(fds[0]);
  ::close(fds[1]);
}

// Starts the program in a process group of its own.
bool Start(const std::string& program, const std::vector<std::string>& arguments, Child& child,
           std::string& problem) {
  int in[2], out[2], err[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) {
    problem = std::strerror(errno);
    return false;
  }
  if (::pipe2(out, O_CLOEXEC) != 0) {
    problem = std::strerror(errno);
    CloseBoth(in);
    return false;
  }
  if (::pipe2(err, O_CLOEXEC) != 0) {
    problem = std::strerror(errno);
    CloseBoth(in);
    CloseBoth(out);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[1], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int failed =
      ::posix_spawn(&child.pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(in[1]);
  ::close(out[1]);
  ::close(err[1]);
  if (failed != 0) {
    problem = program + ": " + std::strerror(failed);
    ::close(in[0]);
    ::close(out[0]);
    ::close(err[0]);
    return false;
  }
  child.in = in[0];
  child.out = out[0];
  child.err = err[0];
  return true;
}

// Reads what is there on `fd` (closing it at its end) into `kept`, at most `limit` bytes kept and
// the rest counted in `cut`.
void ReadSome(int& fd, std::string& kept, size_t limit, size_t& cut) {
  char buffer[65536];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n > 0) {
    const size_t room = limit > kept.size() ? limit - kept.size() : 0;
    const size_t take = std::min(room, static_cast<size_t>(n));
    kept.append(buffer, take);
    cut += static_cast<size_t>(n) - take;
  } else if (n == 0 || errno != EINTR) {
    ::close(fd);
    fd = -1;
  }
}

// Asks the try program to end the driver's processes and itself; kills its process group when it
// has not ended within the grace time.
void Stop(const Child& child, int& status) {
  ::kill(child.pid, SIGTERM);
  const auto until = Clock::now() + kStopGrace;
  while (::waitpid(child.pid, &status, WNOHANG) == 0) {
    if (Clock::now() >= until) {
      ::kill(-child.pid, SIGKILL);
      ::waitpid(child.pid, &status, 0);
      break;
    }
    ::usleep(2000);
  }
  ::kill(-child.pid, SIGKILL);  // whatever of the group is left
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

TryRun RunTryProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& input, const TrySettings& settings) {
  TryRun run;
  const auto start = Clock::now();
  if (start >= settings.deadline) {
    run.pastDeadline = true;
    return run;
  }
  Child child;
  if (!Start(program, arguments, child, run.problem)) return run;
  run.started = true;
  for (size_t sent = 0; sent < input.size();) {
    const ssize_t n = ::send(child.in, input.data() + sent, input.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;  // the child is gone: its status says why
    sent += static_cast<size_t>(n);
  }
  ::close(child.in);

  const auto timeout = start + std::chrono::seconds(settings.timeoutSeconds);
  const auto stopAt = std::min(timeout, settings.deadline);
  std::string errors;
  size_t answerCut = 0;
  bool ended = false;
  int status = 0;
  while (true) {
    if (settings.cancel != nullptr && settings.cancel->load()) {
      run.cancelled = true;
      break;
    }
    const auto now = Clock::now();
    if (now >= stopAt) {
      (timeout <= settings.deadline ? run.late : run.pastDeadline) = true;
      break;
    }
    if (child.out >= 0 || child.err >= 0) {
      pollfd p[2] = {{child.out, POLLIN, 0}, {child.err, POLLIN, 0}};
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(stopAt - now);
      const int wait = static_cast<int>(std::clamp<long long>(left.count(), 1, 100));
      if (::poll(p, 2, wait) > 0) {
        if (p[0].revents != 0) ReadSome(child.out, run.answer, 1 << 20, answerCut);
        if (p[1].revents != 0) ReadSome(child.err, errors, kErrorsKept, run.errorsCut);
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
  if (!ended) Stop(child, status);
  if (child.out >= 0) ::close(child.out);
  if (child.err >= 0) ::close(child.err);
  while (!errors.empty() && (errors.back() == '\n' || errors.back() == '\r')) errors.pop_back();
  run.errors = EscapeForMessage(errors);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
  return run;
}

}  // namespace lumora::odbc
