#include "platform/forms/Display.h"

#include <sys/stat.h>

#include <cstdlib>

namespace lumora::forms {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool DisplayAvailable(std::string* why) {
  auto refuse = [&](std::string reason) {
    if (why != nullptr) *why = std::move(reason);
    return false;
  };
  const std::string platform = Env("QT_QPA_PLATFORM");
  if (!platform.empty()) {
    const std::string name = platform.substr(0, platform.find(':'));
    if (name == "offscreen" || name == "minimal") {
      return refuse("the Qt platform is \"" + name + "\" (QT_QPA_PLATFORM), which shows no window");
    }
    return true;
  }
  if (!Env("WAYLAND_DISPLAY").empty()) return true;
  const std::string display = Env("DISPLAY");
  if (display.empty()) return refuse("no display: neither DISPLAY nor WAYLAND_DISPLAY is set");
  // A local X display ":N" is reachable when its socket exists.
  if (display.front() == ':') {
    const std::string number = display.substr(1, display.find('.') - 1);
    struct stat info {};
    if (::stat(("/tmp/.X11-unix/X" + number).c_str(), &info) != 0) {
      return refuse("the display " + display + " (DISPLAY) cannot be reached");
    }
  }
  return true;
}

}  // namespace lumora::forms
