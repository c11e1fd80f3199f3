// A label: a caption that a person reads and cannot focus.
#pragma once

#include "platform/forms/Control.h"

namespace lumora::forms {

class Label : public Control {
 public:
  using Control::Control;
  const char* TypeName() const override { return "Label"; }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string caption) override;

  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on) { wordWrap_ = on; }

 private:
  std::string caption_;
  bool wordWrap_ = true;
};

}  // namespace lumora::forms
