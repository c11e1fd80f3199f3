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

void SetEnvironment(const std::string& name, const char* value) {
  // Both the C runtime's copy (getenv) and the system's (child processes, GetEnvironmentVariable).
  ::_putenv_s(name.c_str(), value != nullptr ? value : "");
  ::SetEnvironmentVariableW(Widen(name).c_str(), value != nullptr ? Widen(value).c_str() : nullptr);
}

}  // namespace lumora::testing
