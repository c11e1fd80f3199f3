// The one export of libBVLumoraQt.so: the table the component uses to show the wizard in a window.
#include <memory>
#include <optional>

#include "component/window/WindowPlugin.h"
#include "contract/ProcessState.h"
#include "platform/forms/Application.h"
#include "platform/qt/ApplicationStart.h"
#include "platform/qt/WindowRenderer.h"

namespace lumora::window {
namespace {

class QtWindowSession : public WindowSession {
 public:
  QtWindowSession(forms::Application& application, component::State& state) {
    // This library carries a copy of the runtime's code; the forms it shows, the folder their
    // pictures lie in and the reporter of failures in their events are the component's.
    forms::ShareApplication(&application);
    component::ShareState(&state);
    gui_.emplace();
    renderer_ = std::make_unique<forms::WindowRenderer>();
  }
  ~QtWindowSession() override {
    renderer_.reset();
    gui_.reset();
    forms::ShareApplication(nullptr);
    component::ShareState(nullptr);
  }
  forms::ModalDriver& Driver() override { return *renderer_; }
  forms::Presenter& Presenter() override { return *renderer_; }

 private:
  std::optional<forms::GuiApplication> gui_;
  std::unique_ptr<forms::WindowRenderer> renderer_;
};

std::unique_ptr<WindowSession> OpenWindows(forms::Application& application,
                                           component::State& state) {
  return std::make_unique<QtWindowSession>(application, state);
}

const WindowPlugin kPlugin = {kPluginVersion, OpenWindows, forms::PlanApplicationStart};

}  // namespace
}  // namespace lumora::window

extern "C" __attribute__((visibility("default"))) const lumora::window::WindowPlugin*
LumoraWindowPlugin() {
  return &lumora::window::kPlugin;
}
