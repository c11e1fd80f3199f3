// TryProcess.h on Windows: the try program runs as a child process in a job object of its own
// (closing the job kills it and anything it started), its standard input and output anonymous
// pipes. A crash ends it with an exception code, reported as the signal a POSIX system would
// have sent.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <thread>

#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "contract/WideText.h"
#include "platform/odbc/ConnectionTry.h"
#include "platform/odbc/TryProcess.h"

namespace lumora::odbc {
namespace {

using Clock = std::chrono::steady_clock;

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  HANDLE* out() { return &h_; }
  void Close() {
    if (h_ != nullptr && h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
    h_ = nullptr;
  }

 private:
  HANDLE h_ = nullptr;
};

int SignalOfExceptionCode(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_IN_PAGE_ERROR:
      return SIGSEGV;
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
      return SIGILL;
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
      return SIGFPE;
    default:
      return (code & 0xC0000000u) == 0xC0000000u ? SIGABRT : 0;
  }
}

}  // namespace

std::string TryProgramBesideThisLibrary() {
  HMODULE self = nullptr;
  wchar_t path[MAX_PATH * 4];
  const std::string program = std::string(kTryProgram) + ".exe";
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&TryProgramBesideThisLibrary), &self)) {
    return program;
  }
  const DWORD n = ::GetModuleFileNameW(self, path, MAX_PATH * 4);
  if (n == 0 || n >= MAX_PATH * 4) return program;
  return FolderOf(Narrow(std::wstring(path, n))) + "\\" + program;
}

std::string SignalName(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGILL:
      return "SIGILL";
    case SIGFPE:
      return "SIGFPE";
    case SIGABRT:
      return "SIGABRT";
    default:
      return "signal " + std::to_string(signal);
  }
}

TryRun RunTryProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& input, const TrySettings& settings) {
  TryRun run;
  const auto start = Clock::now();
  if (start >= settings.deadline) {
    run.pastDeadline = true;
    return run;
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  Handle inRead, inWrite, outRead, outWrite, errRead, errWrite;
  if (!::CreatePipe(inRead.out(), inWrite.out(), &inherit, 0) ||
      !::CreatePipe(outRead.out(), outWrite.out(), &inherit, 0) ||
      !::CreatePipe(errRead.out(), errWrite.out(), &inherit, 0)) {
    run.problem = SystemErrorText(::GetLastError());
    return run;
  }
  ::SetHandleInformation(inWrite.get(), HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(errRead.get(), HANDLE_FLAG_INHERIT, 0);
  Handle job(::CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  ::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

  std::wstring commandLine = QuotedArgument(Widen(program));
  for (const std::string& a : arguments) commandLine += L" " + QuotedArgument(Widen(a));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inRead.get();
  startup.hStdOutput = outWrite.get();
  startup.hStdError = errWrite.get();
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(Widen(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process)) {
    run.problem = program + ": " + SystemErrorText(::GetLastError());
    return run;
  }
  Handle child(process.hProcess), thread(process.hThread);
  ::AssignProcessToJobObject(job.get(), child.get());
  ::ResumeThread(thread.get());
  inRead.Close();
  outWrite.Close();
  errWrite.Close();
  run.started = true;

  DWORD written = 0;
  if (!input.empty()) {
    ::WriteFile(inWrite.get(), input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
  }
  inWrite.Close();

  // The answer and the errors are read on threads of their own, so that the wait below can time
  // out; of the errors the first kErrorsKept bytes are kept and the rest counted.
  std::thread reader([&run, &outRead] {
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(outRead.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) {
      run.answer.append(buffer, n);
    }
  });
  std::string errors;
  std::thread errorReader([&run, &errors, &errRead] {
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(errRead.get(), buffer, sizeof buffer, &n, nullptr) && n > 0) {
      const size_t room = kErrorsKept > errors.size() ? kErrorsKept - errors.size() : 0;
      const size_t take = std::min<size_t>(room, n);
      errors.append(buffer, take);
      run.errorsCut += n - take;
    }
  });
  const auto timeout = start + std::chrono::seconds(settings.timeoutSeconds);
  const auto deadline = std::min(timeout, settings.deadline);
  bool ended = false;
  while (!ended) {
    if (settings.cancel != nullptr && settings.cancel->load()) {
      run.cancelled = true;
      break;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      (deadline < timeout ? run.pastDeadline : run.late) = true;
      break;
    }
    ended = ::WaitForSingleObject(child.get(), static_cast<DWORD>(left < 100 ? left : 100)) ==
            WAIT_OBJECT_0;
  }
  if (!ended) {
    ::TerminateJobObject(job.get(), 1);
    ::WaitForSingleObject(child.get(), INFINITE);
  }
  job.Close();  // and with it whatever the child left running, holding the pipe
  reader.join();
  errorReader.join();
  while (!errors.empty() && (errors.back() == '\n' || errors.back() == '\r')) errors.pop_back();
  run.errors = EscapeForMessage(errors);
  DWORD code = 0;
  ::GetExitCodeProcess(child.get(), &code);
  if (ended) {
    run.signal = SignalOfExceptionCode(code);
    run.exitStatus = run.signal != 0 ? 0 : static_cast<int>(code);
  }
  return run;
}

}  // namespace lumora::odbc
