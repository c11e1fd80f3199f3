// The one export of libBVLumoraQt.so: the table the component uses to show the wizard in a window.
#include <memory>

#include "component/window/WindowPlugin.h"
#include "contract/Environment.h"
#include "platform/forms/Application.h"
#include "platform/qt/WindowRenderer.h"

namespace lumora::window {
namespace {

bool DisplayAvailable(std::string* why) {
  return forms::DisplayAvailable(why);
}

void RunWithWindows(forms::Application& application, component::State& state,
                    const std::function<void()>& body) {
  // This library carries a copy of the runtime's code; the forms it shows, the folder their
  // pictures lie in and the reporter of failures in their events are the component's.
  forms::ShareApplication(&application);
  component::ShareState(&state);
  forms::GuiApplication gui;
  auto renderer = std::make_shared<forms::WindowRenderer>();
  application.SetModalDriver(renderer);
  application.SetPresenter(renderer);
  struct Uninstall {
    forms::Application& application;
    ~Uninstall() {
      application.SetModalDriver(nullptr);
      application.SetPresenter(nullptr);
      forms::ShareApplication(nullptr);
      component::ShareState(nullptr);
    }
  } uninstall{application};
  body();
}

const WindowPlugin kPlugin = {kPluginVersion, DisplayAvailable, RunWithWindows};

}  // namespace
}  // namespace lumora::window

extern "C" __attribute__((visibility("default"))) const lumora::window::WindowPlugin*
LumoraWindowPlugin() {
  return &lumora::window::kPlugin;
}
