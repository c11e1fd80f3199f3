// RunProcess.h on Windows: a program of ours started with CreateProcessW, its standard streams
// files of a temporary folder. There is no POSIX shell here, so Shell fails its test and
// MissingTool names the shell as missing (tests that need one skip). LiveProcess is POSIX only.
#include <windows.h>

#include <gtest/gtest.h>

#include "contract/WideText.h"
#include "support/RunProcess.h"

namespace lumora::testing {
namespace {

HANDLE Inheritable(const std::string& path, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return ::CreateFileW(Widen(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input) {
  TempDir dir;
  dir.Write("in", input);
  HANDLE in = Inheritable(dir.File("in"), false), out = Inheritable(dir.File("out"), true),
         err = Inheritable(dir.File("err"), true);
  std::wstring commandLine = QuotedArgument(Widen(program));
  for (const std::string& a : args) commandLine += L" " + QuotedArgument(Widen(a));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  ProcessResult r;
  if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    r.exitStatus = static_cast<int>(code);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
  } else {
    r.err = program + ": " + SystemErrorText(::GetLastError());
    r.exitStatus = 127;
  }
  for (HANDLE h : {in, out, err}) ::CloseHandle(h);
  if (r.exitStatus != 127 || r.err.empty()) {
    r.out = ReadFile(dir.File("out"));
    r.err = ReadFile(dir.File("err"));
  }
  return r;
}

std::string Shell(const std::string& command) {
  ADD_FAILURE() << "no POSIX shell on Windows for: " << command;
  return {};
}

std::string MissingTool(std::initializer_list<const char*> tools) {
  return tools.size() == 0 ? std::string()
                           : std::string("no POSIX shell on Windows to find ") + *tools.begin();
}

}  // namespace lumora::testing
