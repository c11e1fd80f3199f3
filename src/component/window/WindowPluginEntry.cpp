// The one export of libBVLumoraQt.so: the table the component uses to show the wizard in a window.
#include <memory>

#include "component/window/QtWindowSession.h"
#include "component/window/WindowPlugin.h"
#include "platform/qt/ApplicationStart.h"

namespace lumora::window {
namespace {

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
