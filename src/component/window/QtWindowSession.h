// The windows of one wizard run as this library makes them: the Qt application and the window
// renderer, working on the component's process state. The plugin entry hands one out per run;
// the project's window probe makes the same session and watches its renderer.
#pragma once

#include <memory>
#include <optional>

#include "component/plugin/RendererPlugin.h"
#include "platform/qt/WindowRenderer.h"

namespace lumora::window {

class QtWindowSession : public renderer::RendererSession {
 public:
  // Makes this library's copy of the runtime work on `application` and `state` (the component's)
  // and starts the Qt application; destroying the session undoes both.
  QtWindowSession(forms::Application& application, component::State& state);
  ~QtWindowSession() override;

  forms::ModalDriver& Driver() override { return *renderer_; }
  forms::Presenter& Presenter() override { return *renderer_; }
  forms::WindowRenderer& Renderer() { return *renderer_; }

 private:
  std::optional<forms::GuiApplication> gui_;
  std::unique_ptr<forms::WindowRenderer> renderer_;
};

}  // namespace lumora::window
