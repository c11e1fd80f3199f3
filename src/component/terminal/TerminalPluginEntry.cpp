// The one export of libBVLumoraTerm.so: the table the component uses to show the wizard in a
// terminal.
#include <memory>

#include "component/terminal/TerminalPlugin.h"
#include "contract/ProcessState.h"
#include "platform/forms/Application.h"
#include "platform/terminal/Screen.h"
#include "platform/terminal/TerminalRenderer.h"

namespace lumora::terminal {
namespace {

class CursesSession : public TerminalSession {
 public:
  CursesSession(forms::Application& application, component::State& state) {
    // This library carries a copy of the runtime's code; the forms it shows and the reporter of
    // failures in their events are the component's.
    forms::ShareApplication(&application);
    component::ShareState(&state);
    try {
      renderer_ = std::make_unique<TerminalRenderer>();
    } catch (...) {
      forms::ShareApplication(nullptr);
      component::ShareState(nullptr);
      throw;
    }
  }
  ~CursesSession() override {
    renderer_.reset();
    forms::ShareApplication(nullptr);
    component::ShareState(nullptr);
  }
  forms::ModalDriver& Driver() override { return *renderer_; }
  forms::Presenter& Presenter() override { return *renderer_; }
  int EndSignal() const override { return TerminalRenderer::EndSignal(); }

 private:
  std::unique_ptr<TerminalRenderer> renderer_;
};

std::unique_ptr<TerminalSession> OpenTerminal(forms::Application& application,
                                              component::State& state) {
  return std::make_unique<CursesSession>(application, state);
}

const TerminalPlugin kPlugin = {kPluginVersion, WhyNoTerminal, OpenTerminal};

}  // namespace
}  // namespace lumora::terminal

extern "C" __attribute__((visibility("default"))) const lumora::terminal::TerminalPlugin*
LumoraTerminalPlugin() {
  return &lumora::terminal::kPlugin;
}
