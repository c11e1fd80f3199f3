// The modal loop of a form, pluggable: Form::Show(ShowMode::Modal) hands the form to the
// application's modal driver, which runs until the form has been unloaded and then returns.
// The script driver plays a script; a window renderer runs its event loop. A driver feeds a
// person's actions back only through UserInput.
#pragma once

namespace lumora::forms {

class Form;

class ModalDriver {
 public:
  virtual ~ModalDriver() = default;
  // Returns when `form` is no longer loaded (or when the driver gives up; see Form::Show).
  virtual void RunModal(Form& form) = 0;
};

}  // namespace lumora::forms
