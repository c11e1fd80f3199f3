// The one export of libBVLumoraQt.so: the table the component uses to show the wizard in a window.
#include <memory>

#include "component/window/WindowPlugin.h"
#include "platform/forms/Application.h"
#include "platform/qt/WindowRenderer.h"

namespace lumora::window {
namespace {

bool DisplayAvailable(std::string* why) {
  return forms::DisplayAvailable(why);
}

void RunWithWindows(forms::Application& application, const std::function<void()>& body) {
  // This library carries a copy of the forms runtime of its own; the forms it shows are the
  // component's, loaded in the component's application.
  forms::ShareApplication(&application);
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
