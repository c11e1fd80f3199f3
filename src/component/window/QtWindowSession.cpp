#include "component/window/QtWindowSession.h"

#include "contract/ProcessState.h"
#include "platform/forms/Application.h"

namespace lumora::window {

QtWindowSession::QtWindowSession(forms::Application& application, component::State& state) {
  // This library carries a copy of the runtime's code; the forms it shows, the folder their
  // pictures lie in and the reporter of failures in their events are the component's.
  forms::ShareApplication(&application);
  component::ShareState(&state);
  gui_.emplace();
  renderer_ = std::make_unique<forms::WindowRenderer>();
}

QtWindowSession::~QtWindowSession() {
  renderer_.reset();
  gui_.reset();
  forms::ShareApplication(nullptr);
  component::ShareState(nullptr);
}

}  // namespace lumora::window
