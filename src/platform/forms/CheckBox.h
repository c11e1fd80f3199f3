// A check box with the classic values 0 unchecked, 1 checked, 2 grayed. Changing Value, in code
// or by a person's click (which checks an unchecked or grayed box and unchecks a checked one),
// raises Click; setting the value it already has raises nothing.
#pragma once

#include "platform/forms/Control.h"

namespace lumora::forms {

enum CheckValue : int16_t { kUnchecked = 0, kChecked = 1, kGrayed = 2 };

class CheckBox : public Control {
 public:
  using Control::Control;
  const char* TypeName() const override { return "CheckBox"; }
  bool CanHaveFocus() const override { return true; }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string caption) override;

  int16_t Value() const { return value_; }
  // Fails with 380 outside 0..2.
  void SetValue(int16_t value);

 private:
  std::string caption_;
  int16_t value_ = kUnchecked;
};

}  // namespace lumora::forms
