// The renderer libraries, libBVLumoraQt.so (the wizard in a window, Qt) and libBVLumoraTerm.so (in
// a terminal, curses), which keep their toolkit out of the component: the component opens one
// only when the wizard is shown that way and finds this table through the library's one export.
// Both are built together with the component from this tree, so the table may carry C++ types.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace lumora::forms {
class Application;
class ModalDriver;
class Presenter;
}  // namespace lumora::forms
namespace lumora::component {
struct State;
}

namespace lumora::renderer {

// One wizard run's screen: the renderer that shows forms and message boxes. Destroying it closes
// the windows (and the Qt application) or gives the terminal back as it was.
class RendererSession {
 public:
  virtual ~RendererSession() = default;
  virtual forms::ModalDriver& Driver() = 0;
  virtual forms::Presenter& Presenter() = 0;
  // The signal that ended the session early (SIGHUP, SIGINT, SIGTERM), or 0; the wizard's choices
  // are then not to be stored.
  virtual int EndSignal() const { return 0; }
};

struct RendererPlugin {
  int version;  // kRendererPluginVersion of the library that made the table
  // Why the wizard cannot be shown this way in this process ("" when it can).
  std::string (*whyUnavailable)();
  // Looks up the work the session's start needs that another thread can do ahead of it (loading
  // Qt's platform plugin, reading the font configuration) and returns it, or an empty function.
  // Call it before `open` may run; the work may run on any thread, before or while `open` runs.
  std::function<void()> (*planStart)();
  // Makes the library's copy of the runtime work on the component's process state (`application`
  // and `state`: the host library, the component folder, the error reporter) and takes the
  // screen. Call it on the thread that runs the forms. Throws std::runtime_error when it cannot.
  std::unique_ptr<RendererSession> (*open)(forms::Application& application,
                                           component::State& state);
};

inline constexpr int kRendererPluginVersion = 6;
inline constexpr const char* kRendererPluginEntry = "LumoraRendererPlugin";
// The window library's file name beside the component: the Qt one on Linux, the native one on
// Windows (WindowLibraryFile.cpp, WindowLibraryFileWin32.cpp).
extern const char* const kWindowLibrary;
inline constexpr const char* kTerminalLibrary = "libBVLumoraTerm.so";

}  // namespace lumora::renderer
