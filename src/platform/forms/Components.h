// The two inert components a form may hold: a common dialog and an image list with keyed
// images. They sit in the form's control collection like the classic ones, have a Tag and no
// visible shape, caption or font; nothing in the wizard uses them.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/Control.h"

namespace lumora::forms {

class CommonDialog : public Control {
 public:
  using Control::Control;
  const char* TypeName() const override { return "CommonDialog"; }
  bool HasFont() const override { return false; }
};

class ImageList : public Control {
 public:
  using Control::Control;
  const char* TypeName() const override { return "ImageList"; }
  bool HasFont() const override { return false; }

  // Adds an image under a key; a duplicate key fails with 35602.
  void AddImage(std::string key, std::string picture = {});
  const std::vector<std::string>& Keys() const { return keys_; }
  // The picture of the image with that key; fails with 35601 when there is none.
  const std::string& Picture(const std::string& key) const;

 private:
  std::vector<std::string> keys_;
  std::vector<std::string> pictures_;
};

}  // namespace lumora::forms
