// A picture box: a container that can show a picture. The wizard's button bar is one.
// Picture is a reference to an image file, relative to the component folder ("" for none).
#pragma once

#include "platform/forms/Control.h"

namespace lumora::forms {

class PictureBox : public Control {
 public:
  using Control::Control;
  const char* TypeName() const override { return "PictureBox"; }
  bool IsContainer() const override { return true; }
  bool CanHaveFocus() const override { return true; }

  const std::string& Picture() const { return picture_; }
  void SetPicture(std::string picture);
  int16_t BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int16_t style) { borderStyle_ = style; }

 private:
  std::string picture_;
  int16_t borderStyle_ = 0;
};

}  // namespace lumora::forms
