// lumora-odbc-try: tries one ODBC connection string through the driver manager and prints what
// came of it, for `lumora check` and the wizard's Test button, which run it as a child process
// so that a driver that hangs or crashes takes only this process down. The connection string
// arrives on standard input (never on the command line, where any user could read a password);
// the answer goes to standard output as tab-separated lines:
//   connected                          the connection was made (and closed again)
//   dbms <TAB> NAME <TAB> VERSION      SQLGetInfo's DBMS name and version
//   driver <TAB> NAME <TAB> VERSION    SQLGetInfo's driver file name and version
//   failed                             SQLDriverConnect did not connect
//   diag <TAB> SQLSTATE <TAB> NATIVE <TAB> MESSAGE   one per diagnostic record
// Tabs and line ends inside texts become blanks. Exit status: 0 connected, 1 not, 2 bad usage.
//
// `lumora-odbc-try --load LIBRARY` only loads a driver's library, as the driver manager would
// before a connection, and answers one line:
//   loaded <TAB> FILE                  it loads and exports SQLConnect or SQLDriverConnect
//   notloaded <TAB> REASON             it does not load, or is no ODBC driver
// Exit status: 0 loaded, 1 not.
//
// Either way the work runs in a child process of which this one is the subreaper: when the work
// ends, or this process is asked to stop (SIGTERM, or its parent ends), every process the driver
// started, detached with setsid or not, is killed before this one ends. A crash of the work is
// passed on as this process's own end by the same signal; no core file is written.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sql.h>
#include <sqlext.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "ConnectionAnswer.h"

#if defined(__SANITIZE_ADDRESS__)
// Built with the address sanitizer (the test builds): a driver's crash is what a try reports, so
// the sanitizer leaves the fatal signals to their default action instead of turning them into
// its own report and exit status 1.
extern "C" const char* __asan_default_options() {
  return "handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_abort=0";
}
#endif

namespace {

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

std::string Info(SQLHDBC dbc, SQLUSMALLINT what) {
  char buffer[512] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetInfo(dbc, what, buffer, sizeof buffer, &length))) return "";
  return OneLine(buffer);
}

void PrintDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[SQL_MAX_MESSAGE_LENGTH + 1] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN r =
        SQLGetDiagRec(type, handle, record, state, &native, message, sizeof message, &length);
    if (!SQL_SUCCEEDED(r)) break;
    std::printf("diag\t%s\t%ld\t%s\n", reinterpret_cast<char*>(state), static_cast<long>(native),
                OneLine(reinterpret_cast<char*>(message)).c_str());
  }
}

int Load(const char* library) {
  void* handle = ::dlopen(library, RTLD_NOW | RTLD_LOCAL);
  const char* why = handle == nullptr ? ::dlerror() : nullptr;
  const std::string firstWhy = why != nullptr ? why : "dlopen failed";
  // A bare file name is looked for, as the driver manager looks for it, in the driver folder
  // beside the driver manager's own library (/usr/lib/<multiarch>/odbc).
  Dl_info manager{};
  if (handle == nullptr && std::string(library).find('/') == std::string::npos &&
      ::dladdr(reinterpret_cast<void*>(&SQLAllocHandle), &manager) != 0 &&
      manager.dli_fname != nullptr) {
    std::string folder = manager.dli_fname;
    folder.resize(folder.rfind('/') == std::string::npos ? 0 : folder.rfind('/'));
    handle = ::dlopen((folder + "/odbc/" + library).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (handle == nullptr) {
    std::printf("notloaded\t%s\n", OneLine(firstWhy).c_str());
    return 1;
  }
  void* entry = ::dlsym(handle, "SQLDriverConnect");
  if (entry == nullptr) entry = ::dlsym(handle, "SQLConnect");
  Dl_info info{};
  if (entry == nullptr || ::dladdr(entry, &info) == 0 || info.dli_fname == nullptr) {
    std::puts("notloaded\texports neither SQLConnect nor SQLDriverConnect: not an ODBC driver");
    return 1;
  }
  // The file as loaded, its folder without symbolic links (/lib is /usr/lib on most systems).
  std::string file = info.dli_fname;
  const size_t slash = file.rfind('/');
  if (slash != std::string::npos) {
    if (char* folder = ::realpath(file.substr(0, slash).c_str(), nullptr)) {
      file = folder + file.substr(slash);
      std::free(folder);
    }
  }
  std::printf("loaded\t%s\n", OneLine(file).c_str());
  return 0;
}

int Connect() {
  std::string in = ReadConnectionString();

  if (in.size() > 32767) {  // what SQLDriverConnect's length can say
    std::puts("failed\ndiag\t\t0\tthe connection string is longer than 32767 bytes");
    return 1;
  }
  return AnswerConnection(
      [&](SQLHDBC dbc) {
        SQLCHAR out[1024];
        SQLSMALLINT outLength = 0;
        const SQLRETURN r = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()),
                                             static_cast<SQLSMALLINT>(in.size()), out, sizeof out,
                                             &outLength, SQL_DRIVER_NOPROMPT);
        std::fill(in.begin(), in.end(), '\0');
        return r;
      },
      Info, PrintDiagnostics);
}

// The text of a /proc file, or "" when it cannot be read (its process has ended).
std::string ProcText(const std::string& path) {
  std::string text;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[1024];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      text.clear();
      break;
    }
    text.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

// The processes whose parent is this one.
std::vector<pid_t> Children() {
  std::vector<pid_t> children;
  const std::string self = std::to_string(::getpid());
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return children;
  while (const dirent* entry = ::readdir(proc)) {
    if (entry->d_name[0] < '0' || entry->d_name[0] > '9') continue;
    // Read with read(2): a process that ends meanwhile makes the read fail with ESRCH, which a
    // stream would throw at us; such a process is simply no child any more.
    const std::string text = ProcText(std::string("/proc/") + entry->d_name + "/stat");
    const size_t close = text.rfind(')');  // the command name may hold blanks and parentheses
    if (close == std::string::npos) continue;
    char state = 0;
    char parent[24] = {};
    if (std::sscanf(text.c_str() + close + 1, " %c %23s", &state, parent) == 2 && self == parent) {
      children.push_back(static_cast<pid_t>(std::strtol(entry->d_name, nullptr, 10)));
    }
  }
  ::closedir(proc);
  return children;
}

// Kills every process below this one. The orphans of a killed process come to this one (it is
// their subreaper), so rounds go on until no child is left.
void EndDescendants() {
  for (std::vector<pid_t> children = Children(); !children.empty(); children = Children()) {
    for (pid_t child : children) ::kill(child, SIGKILL);
    for (pid_t child : children) ::waitpid(child, nullptr, 0);
  }
}

// Runs `work` in a child process and ends as it ends, after every descendant has ended; ends
// early, with the same cleaning, on SIGTERM or when the parent ends.
int Keep(const std::function<int()>& work) {
  const rlimit noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
  sigset_t wanted, old;
  sigemptyset(&wanted);
  sigaddset(&wanted, SIGTERM);
  sigaddset(&wanted, SIGCHLD);
  ::sigprocmask(SIG_BLOCK, &wanted, &old);
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  const pid_t worker = ::fork();
  if (worker < 0) return work();  // no child to be had: the work here, unguarded
  if (worker == 0) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::sigprocmask(SIG_SETMASK, &old, nullptr);
    std::exit(work());
  }
  int status = 0;
  bool stopped = false, done = false;
  while (!done && !stopped) {
    siginfo_t info{};
    if (::sigwaitinfo(&wanted, &info) == SIGTERM) {
      stopped = true;
      break;
    }
    int s = 0;
    for (pid_t p; (p = ::waitpid(-1, &s, WNOHANG)) > 0;) {
      if (p == worker) {
        status = s;
        done = true;
      }
    }
  }
  EndDescendants();
  if (stopped) return 128 + SIGTERM;
  if (WIFSIGNALED(status)) {
    const int signal = WTERMSIG(status);
    ::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--load") {
    const std::string library = argv[2];
    return Keep([&] { return Load(library.c_str()); });
  }
  if (argc != 1) {
    std::fputs(
        "usage: lumora-odbc-try < CONNECTION-STRING\n       lumora-odbc-try --load LIBRARY\n",
        stderr);
    return 2;
  }
  return Keep(Connect);
}
