#include <windows.h>

#include <cstdlib>

#include "contract/WideText.h"
#include "support/Platform.h"
#include "support/ScopedEnv.h"

namespace lumora::testing {

bool UnderWine() {
  // Wine's ntdll exports its version; Windows' does not.
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool WindowsBuild() {
  return true;
}

bool SetModifiedAhead(const std::string& path, int seconds) {
  const HANDLE file =
      ::CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t{};
  t.LowPart = now.dwLowDateTime;
  t.HighPart = now.dwHighDateTime;
  t.QuadPart += static_cast<ULONGLONG>(seconds) * 10'000'000ULL;  // 100 ns units
  const FILETIME ahead{t.LowPart, t.HighPart};
  const bool set = ::SetFileTime(file, nullptr, nullptr, &ahead) != 0;
  ::CloseHandle(file);
  return set;
}

void SetEnvironment(const std::string& name, const char* value) {
  // Both the C runtime's copy (getenv) and the system's (child processes, GetEnvironmentVariable).
  ::_putenv_s(name.c_str(), value != nullptr ? value : "");
  ::SetEnvironmentVariableW(Widen(name).c_str(), value != nullptr ? Widen(value).c_str() : nullptr);
}

}  // namespace lumora::testing
