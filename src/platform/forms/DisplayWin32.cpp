#include <windows.h>

#include <cstdlib>

#include "platform/forms/Display.h"

namespace lumora::forms {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// On Windows a process can show windows when its window station is the interactive one (a
// service's is not).
bool DisplayAvailable(std::string* why) {
  USEROBJECTFLAGS flags{};
  HWINSTA station = GetProcessWindowStation();
  if (station != nullptr &&
      GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr) &&
      (flags.dwFlags & WSF_VISIBLE) == 0) {
    if (why != nullptr) *why = "this process's window station shows no windows (a service's)";
    return false;
  }
  return true;
}

}  // namespace lumora::forms
