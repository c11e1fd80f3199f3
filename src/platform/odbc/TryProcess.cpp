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
#include <chrono>
#include <cstring>

#include "contract/LocalPaths.h"
#include "platform/odbc/ConnectionTry.h"

extern char** environ;

namespace lumora::odbc {
namespace {

using Clock = std::chrono::steady_clock;

struct Child {
  pid_t pid = -1;
  int out = -1;
};

// Starts the program in a process group of its own, standard input a socket (so that writing
// to a child that is gone raises no SIGPIPE here) and standard output a pipe.
bool Start(const std::string& program, const std::vector<std::string>& arguments, Child& child,
           int& inSocket, std::string& problem) {
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
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int failed =
      ::posix_spawn(&child.pid, program.c_str(), &actions, &attributes, argv.data(), environ);
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

TryRun RunTryProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& input, int timeoutSeconds,
                     const std::atomic<bool>* cancel) {
  TryRun run;
  Child child;
  int in = -1;
  if (!Start(program, arguments, child, in, run.problem)) return run;
  run.started = true;
  for (size_t sent = 0; sent < input.size();) {
    const ssize_t n = ::send(in, input.data() + sent, input.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;  // the child is gone: its status says why
    sent += static_cast<size_t>(n);
  }
  ::close(in);

  const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  bool ended = false;
  int status = 0;
  while (true) {
    if (cancel != nullptr && cancel->load()) {
      run.cancelled = true;
      break;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      run.late = true;
      break;
    }
    if (child.out >= 0) {
      pollfd p{child.out, POLLIN, 0};
      const int wait = static_cast<int>(std::min<long long>(left.count(), 100));
      if (::poll(&p, 1, wait) > 0) {
        char buffer[4096];
        const ssize_t n = ::read(child.out, buffer, sizeof buffer);
        if (n > 0) {
          run.answer.append(buffer, static_cast<size_t>(n));
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
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
  return run;
}

}  // namespace lumora::odbc
