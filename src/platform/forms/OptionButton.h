// An option button. The option buttons of one container (form, frame or picture box) form a
// group: Value = true raises Click and clears the others of the group without their Click.
// Setting true on the chosen option, or false on any, raises nothing.
#pragma once

#include "platform/forms/Control.h"

namespace lumora::forms {

class OptionButton : public Control {
 public:
  using Control::Control;
  const char* TypeName() const override { return "OptionButton"; }
  bool CanHaveFocus() const override { return true; }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string caption) override;

  bool Value() const { return value_; }
  void SetValue(bool value);

 private:
  std::string caption_;
  bool value_ = false;
};

}  // namespace lumora::forms
