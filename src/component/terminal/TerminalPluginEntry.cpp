// The one export of libBVLumoraTerm.so: the table the component uses to show the wizard in a
// terminal.
#include <memory>

#include "component/plugin/RendererPlugin.h"
#include "contract/ProcessState.h"
#include "platform/forms/Application.h"
#include "platform/terminal/Screen.h"
#include "platform/terminal/TerminalRenderer.h"

namespace lumora::renderer {
namespace {

class CursesSession : public RendererSession {
 public:
  CursesSession(forms::Application& application, component::State& state) {
    // This library carries a copy of the runtime's code; the forms it shows and the reporter of
    // failures in their events are the component's.
    forms::ShareApplication(&application);
    component::ShareState(&state);
    try {
      renderer_ = std::make_unique<terminal::TerminalRenderer>();
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
  int EndSignal() const override { return terminal::TerminalRenderer::EndSignal(); }

 private:
  std::unique_ptr<terminal::TerminalRenderer> renderer_;
};

// Nothing the terminal's start needs can be done ahead of it.
std::function<void()> NothingAhead() {
  return {};
}

std::unique_ptr<RendererSession> OpenTerminal(forms::Application& application,
                                              component::State& state) {
  return std::make_unique<CursesSession>(application, state);
}

const RendererPlugin kPlugin = {kRendererPluginVersion, terminal::WhyNoTerminal, NothingAhead,
                                OpenTerminal};

}  // namespace
}  // namespace lumora::renderer

extern "C" __attribute__((visibility("default"))) const lumora::renderer::RendererPlugin*
LumoraRendererPlugin() {
  return &lumora::renderer::kPlugin;
}
