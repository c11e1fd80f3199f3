#include "platform/forms/Application.h"

#include <algorithm>

#include "contract/Int16.h"
#include "platform/forms/Form.h"

namespace lumora::forms {

int16_t Application::FormCount() const {
  return ToInt16(static_cast<int64_t>(forms_.size()));
}

Form& Application::FormAt(int16_t index) const {
  if (index < 0 || index >= FormCount()) Raise(kSubscriptOutOfRange);
  return *forms_[static_cast<size_t>(index)];
}

void Application::SetPresenter(std::shared_ptr<Presenter> presenter) {
  presenter_ = presenter ? std::move(presenter) : std::make_shared<SilentPresenter>();
}

void Application::FormLoaded(Form& form) {
  if (std::find(forms_.begin(), forms_.end(), &form) == forms_.end()) forms_.push_back(&form);
}

void Application::FormUnloaded(Form& form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
}

namespace {
Application* sharedApplication = nullptr;
}

Application& App() {
  if (sharedApplication != nullptr) return *sharedApplication;
  static Application application;
  return application;
}

void ShareApplication(Application* shared) {
  sharedApplication = shared;
}

int16_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) {
  // Keep the presenter alive while it shows the box, even if it is replaced meanwhile.
  Presenter& presenter = App().GetPresenter();
  return presenter.MsgBox(prompt, buttons, title);
}

}  // namespace lumora::forms
