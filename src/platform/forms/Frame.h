// A frame: a captioned container. Moving a frame moves its controls; a disabled, hidden or
// off-form frame makes every control inside it unreachable for a person.
#pragma once

#include "platform/forms/Control.h"

namespace lumora::forms {

class Frame : public Control {
 public:
  using Control::Control;
  const char* TypeName() const override { return "Frame"; }
  bool IsContainer() const override { return true; }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string caption) override;

  // 0: none, 1: fixed single (the classic default).
  int16_t BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int16_t style) { borderStyle_ = style; }

 private:
  std::string caption_;
  int16_t borderStyle_ = 1;
};

}  // namespace lumora::forms
