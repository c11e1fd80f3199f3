// The terminal's views of the controls a person presses (private to the terminal renderer):
// command buttons ("< Next >", "[ OK ]" for the Default button, "- Back -" while it cannot be
// pressed), check boxes ("[x] caption") and option buttons ("(*) caption", the arrows moving
// the choice within its container).
#pragma once

#include "platform/forms/CheckBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/OptionButton.h"
#include "platform/terminal/ControlView.h"

namespace lumora::terminal {

class CommandButtonView : public ControlView {
 public:
  CommandButtonView(forms::CommandButton& button, ViewContext& context)
      : ControlView(button, context), button_(button) {}
  Cell Draw(const CellRect& at, bool focused, bool enabled) override;
  bool Key(int code, int ch) override;

 private:
  forms::CommandButton& button_;
};

class CheckBoxView : public ControlView {
 public:
  CheckBoxView(forms::CheckBox& check, ViewContext& context)
      : ControlView(check, context), check_(check) {}
  Cell Draw(const CellRect& at, bool focused, bool enabled) override;
  bool Key(int code, int ch) override;

 private:
  forms::CheckBox& check_;
};

class OptionButtonView : public ControlView {
 public:
  OptionButtonView(forms::OptionButton& option, ViewContext& context)
      : ControlView(option, context), option_(option) {}
  Cell Draw(const CellRect& at, bool focused, bool enabled) override;
  bool Key(int code, int ch) override;

 private:
  forms::OptionButton& option_;
};

}  // namespace lumora::terminal
