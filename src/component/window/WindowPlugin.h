// The window library libBVLumoraQt.so, which holds the Qt renderer of the forms runtime so that
// the component itself never loads Qt. The component opens it with dlopen only when the wizard
// is to be shown in a window, and finds this table through the library's one export. Both
// libraries are built together from this tree, so the table may carry C++ types.
#pragma once

#include <functional>
#include <memory>

namespace lumora::forms {
class Application;
class ModalDriver;
class Presenter;
}  // namespace lumora::forms
namespace lumora::component {
struct State;
}

namespace lumora::window {

// The windows of one wizard run: the renderer that shows forms in them. Destroying it closes
// the windows and ends the Qt application it started.
class WindowSession {
 public:
  virtual ~WindowSession() = default;
  virtual forms::ModalDriver& Driver() = 0;
  virtual forms::Presenter& Presenter() = 0;
};

struct WindowPlugin {
  int version;  // kPluginVersion of the library that made the table
  // Makes the library's copy of the runtime work on the component's process state (`application`
  // and `state`: the host library, the component folder, the error reporter) and starts the Qt
  // application. Call it on the thread that runs the forms.
  std::unique_ptr<WindowSession> (*openWindows)(forms::Application& application,
                                                component::State& state);
  // Looks up the work the windows' start needs that another thread can do ahead of it (loading
  // Qt's platform plugin, reading the font configuration) and returns it. Call it before
  // openWindows may run; the work it returns may run on any thread, before or while openWindows
  // runs. The component does both on the thread that loaded the library.
  std::function<void()> (*planStart)();
};

inline constexpr int kPluginVersion = 5;
// The window library's file name beside the component: the Qt one on Linux, the native one on
// Windows (WindowPluginFile.cpp, WindowPluginFileWin32.cpp).
extern const char* const kPluginFile;
inline constexpr const char* kPluginEntry = "LumoraWindowPlugin";
using PluginEntry = const WindowPlugin* (*)();

}  // namespace lumora::window
