#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/forms/Display.h"

namespace lumora::forms {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// On Windows a process can show windows when its window station is the interactive one (a
// service's is not) and the system makes a window for it: Wine without a display it can reach
// (DISPLAY unset or wrong) refuses to create any, and a wizard whose window never opened must not
// pass for one that was finished.
bool DisplayAvailable(std::string* why) {
  USEROBJECTFLAGS flags{};
  HWINSTA station = GetProcessWindowStation();
  if (station != nullptr &&
      GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr) &&
      (flags.dwFlags & WSF_VISIBLE) == 0) {
    if (why != nullptr) *why = "this process's window station shows no windows (a service's)";
    return false;
  }
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  if (probe == nullptr) {
    if (why != nullptr) {
      const DWORD error = GetLastError();
      *why = "the system cannot create a window here (" +
             (error != 0 ? "error " + std::to_string(error) + "; " : std::string()) +
             "under Wine: DISPLAY names no X display it can reach)";
    }
    return false;
  }
  DestroyWindow(probe);
  return true;
}

}  // namespace lumora::forms
