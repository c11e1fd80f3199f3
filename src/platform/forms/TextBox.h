// A text box: Text, optionally multi-line with scroll bars. Setting Text to a different value,
// in code or by a person, raises Change once; setting the same text again raises nothing.
// A text box has no Caption (438).
#pragma once

#include "platform/forms/Control.h"

namespace lumora::forms {

// Classic ScrollBars values.
enum ScrollBars : int16_t {
  kScrollNone = 0,
  kScrollHorizontal = 1,
  kScrollVertical = 2,
  kScrollBoth = 3
};

class TextBox : public Control {
 public:
  using Control::Control;
  const char* TypeName() const override { return "TextBox"; }
  bool CanHaveFocus() const override { return true; }
  std::string Text() const override { return text_; }
  void SetText(std::string text) override;

  bool MultiLine() const { return multiLine_; }
  void SetMultiLine(bool on);
  int16_t ScrollBars() const { return scrollBars_; }
  void SetScrollBars(int16_t bars);
  bool Locked() const { return locked_; }
  void SetLocked(bool on);

  std::function<void()> OnChange;

 private:
  std::string text_;
  bool multiLine_ = false;
  int16_t scrollBars_ = kScrollNone;
  bool locked_ = false;
};

}  // namespace lumora::forms
