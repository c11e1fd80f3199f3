// An image: a picture on the form, no font, no focus, no caption. Picture is a reference to an
// image file, relative to the component folder ("" for none).
#pragma once

#include "platform/forms/Control.h"

namespace lumora::forms {

class Image : public Control {
 public:
  using Control::Control;
  const char* TypeName() const override { return "Image"; }
  bool HasFont() const override { return false; }

  const std::string& Picture() const { return picture_; }
  void SetPicture(std::string picture);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool on) { stretch_ = on; }

 private:
  std::string picture_;
  bool stretch_ = false;
};

}  // namespace lumora::forms
