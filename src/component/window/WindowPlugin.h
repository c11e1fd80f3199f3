// The window library libBVLumoraQt.so, which holds the Qt renderer of the forms runtime so that
// the component itself never loads Qt. The component opens it with dlopen only when the wizard
// is to be shown in a window, and finds this table through the library's one export. Both
// libraries are built together from this tree, so the table may carry C++ types.
#pragma once

#include <functional>
#include <string>

namespace lumora::forms {
class Application;
}

namespace lumora::window {

struct WindowPlugin {
  int version;  // kPluginVersion of the library that made the table
  // Whether a window can be shown in this process; when not, `why` says what is missing.
  bool (*displayAvailable)(std::string* why);
  // Makes the library's forms runtime work on `application` (the component's own), installs the
  // window renderer as its modal driver and presenter, runs `body` (which shows the form) and
  // uninstalls the renderer again.
  void (*runWithWindows)(forms::Application& application, const std::function<void()>& body);
};

inline constexpr int kPluginVersion = 1;
inline constexpr const char* kPluginFile = "libBVLumoraQt.so";
inline constexpr const char* kPluginEntry = "LumoraWindowPlugin";
using PluginEntry = const WindowPlugin* (*)();

}  // namespace lumora::window
