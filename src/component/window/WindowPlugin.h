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
namespace lumora::component {
struct State;
}

namespace lumora::window {

struct WindowPlugin {
  int version;  // kPluginVersion of the library that made the table
  // Whether a window can be shown in this process; when not, `why` says what is missing.
  bool (*displayAvailable)(std::string* why);
  // Makes the library's copy of the runtime work on the component's process state (`application`
  // and `state`: the host library, the component folder, the error reporter), installs the window
  // renderer as the modal driver and presenter, runs `body` (which shows the form) and uninstalls
  // the renderer again.
  void (*runWithWindows)(forms::Application& application, component::State& state,
                         const std::function<void()>& body);
};

inline constexpr int kPluginVersion = 2;
inline constexpr const char* kPluginFile = "libBVLumoraQt.so";
inline constexpr const char* kPluginEntry = "LumoraWindowPlugin";
using PluginEntry = const WindowPlugin* (*)();

}  // namespace lumora::window
