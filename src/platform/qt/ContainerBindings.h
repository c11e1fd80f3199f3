// The bindings of the controls that hold others or show a picture (private to the window
// renderer): frames (a plain area without a border, a rule when only a few twips high, else a
// group box with its caption), picture boxes (the picture as their background) and images. None
// of them takes the keyboard focus.
#pragma once

#include "platform/forms/Frame.h"
#include "platform/forms/Image.h"
#include "platform/forms/PictureBox.h"
#include "platform/qt/ControlBinding.h"

class QGroupBox;
class QLabel;

namespace lumora::forms {

class FrameBinding : public ControlBinding {
 public:
  FrameBinding(FormWindow& window, Frame& frame) : ControlBinding(window, frame), frame_(frame) {}
  void ApplyCaption() override;

 protected:
  QWidget* Create(QWidget* parent) override;
  bool TakesFocus() const override { return false; }

 private:
  Frame& frame_;
  QGroupBox* group_ = nullptr;  // the group box, when the frame is drawn as one
};

class PictureBoxBinding : public ControlBinding {
 public:
  PictureBoxBinding(FormWindow& window, PictureBox& box) : ControlBinding(window, box), box_(box) {}
  void ApplyPicture() override;

 protected:
  QWidget* Create(QWidget* parent) override;
  bool TakesFocus() const override { return false; }

 private:
  PictureBox& box_;
};

class ImageBinding : public ControlBinding {
 public:
  ImageBinding(FormWindow& window, Image& image) : ControlBinding(window, image), image_(image) {}
  void ApplyPicture() override;

 protected:
  QWidget* Create(QWidget* parent) override;
  bool TakesFocus() const override { return false; }

 private:
  Image& image_;
  QLabel* qt_ = nullptr;
};

}  // namespace lumora::forms
