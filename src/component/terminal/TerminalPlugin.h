// The terminal library libBVLumoraTerm.so, which holds the curses renderer of the forms runtime
// so that the component itself never loads curses. The component opens it with dlopen only when
// the wizard is to be shown in a terminal and finds this table through the library's one
// export. Both libraries are built together from this tree, so the table may carry C++ types.
#pragma once

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

namespace lumora::terminal {

// The screen of one wizard run. Destroying it gives the terminal back as it was.
class TerminalSession {
 public:
  virtual ~TerminalSession() = default;
  virtual forms::ModalDriver& Driver() = 0;
  virtual forms::Presenter& Presenter() = 0;
  // The signal that ended the session early (SIGHUP, SIGINT, SIGTERM), or 0; the wizard's
  // choices are then not to be stored.
  virtual int EndSignal() const = 0;
};

struct TerminalPlugin {
  int version;  // kPluginVersion of the library that made the table
  // Why the wizard cannot be shown on this process's terminal ("" when it can).
  std::string (*whyNoTerminal)();
  // Makes the library's copy of the runtime work on the component's process state and takes
  // over the terminal; throws std::runtime_error when it cannot.
  std::unique_ptr<TerminalSession> (*openTerminal)(forms::Application& application,
                                                   component::State& state);
};

inline constexpr int kPluginVersion = 1;
inline constexpr const char* kPluginFile = "libBVLumoraTerm.so";
inline constexpr const char* kPluginEntry = "LumoraTerminalPlugin";
using PluginEntry = const TerminalPlugin* (*)();

}  // namespace lumora::terminal
