// The one export of BVLumoraWin.dll (Windows build): the table the component uses to show the
// wizard in a window, here the native Win32 renderer. The library carries its own copy of the
// runtime's code and works on the component's process state while a session is open.
#include <functional>
#include <memory>
#include <string>

#include "component/plugin/RendererPlugin.h"
#include "contract/ProcessState.h"
#include "platform/forms/Application.h"
#include "platform/win32/Win32Renderer.h"

namespace lumora::renderer {
namespace {

class Win32WindowSession : public RendererSession {
 public:
  Win32WindowSession(forms::Application& application, component::State& state) {
    forms::ShareApplication(&application);
    component::ShareState(&state);
  }
  ~Win32WindowSession() override {
    forms::ShareApplication(nullptr);
    component::ShareState(nullptr);
  }
  Win32WindowSession(const Win32WindowSession&) = delete;
  Win32WindowSession& operator=(const Win32WindowSession&) = delete;

  forms::ModalDriver& Driver() override { return renderer_; }
  forms::Presenter& Presenter() override { return renderer_; }

 private:
  forms::Win32Renderer renderer_;
};

std::unique_ptr<RendererSession> OpenWindows(forms::Application& application,
                                           component::State& state) {
  return std::make_unique<Win32WindowSession>(application, state);
}

// The component checks the display before it loads this library.
std::string AlwaysAvailable() {
  return {};
}

// Nothing to prepare ahead: the system's controls are loaded with the process.
std::function<void()> PlanStart() {
  return [] {};
}

const RendererPlugin kPlugin = {kRendererPluginVersion, AlwaysAvailable, PlanStart, OpenWindows};

}  // namespace
}  // namespace lumora::renderer

// Exported undecorated by BVLumoraWin.def.
extern "C" const lumora::renderer::RendererPlugin* LumoraRendererPlugin() {
  return &lumora::renderer::kPlugin;
}
