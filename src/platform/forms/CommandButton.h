// A push button. A person's click raises Click (after the focus has moved to the button);
// Value = true in code raises Click as well. The form's Default button answers Enter and its
// Cancel button Escape, when the form's key handling leaves the key alone.
#pragma once

#include "platform/forms/Control.h"

namespace lumora::forms {

class CommandButton : public Control {
 public:
  using Control::Control;
  const char* TypeName() const override { return "CommandButton"; }
  bool CanHaveFocus() const override { return true; }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string caption) override;

  // Setting true runs Click; the value reads false again afterwards.
  bool Value() const { return false; }
  void SetValue(bool value);

  bool Default() const { return default_; }
  void SetDefault(bool on);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on);

 private:
  std::string caption_;
  bool default_ = false;
  bool cancel_ = false;
};

}  // namespace lumora::forms
