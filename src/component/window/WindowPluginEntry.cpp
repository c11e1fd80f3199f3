// The one export of libBVLumoraQt.so: the table the component uses to show the wizard in a window.
#include <memory>

#include "component/plugin/RendererPlugin.h"
#include "component/window/QtWindowSession.h"
#include "platform/qt/ApplicationStart.h"

namespace lumora::renderer {
namespace {

// The component checks the display before it loads this library (and Qt with it).
std::string AlwaysAvailable() {
  return {};
}

std::unique_ptr<RendererSession> OpenWindows(forms::Application& application,
                                             component::State& state) {
  return std::make_unique<window::QtWindowSession>(application, state);
}

const RendererPlugin kPlugin = {kRendererPluginVersion, AlwaysAvailable,
                                forms::PlanApplicationStart, OpenWindows};

}  // namespace
}  // namespace lumora::renderer

extern "C" __attribute__((visibility("default"))) const lumora::renderer::RendererPlugin*
LumoraRendererPlugin() {
  return &lumora::renderer::kPlugin;
}
