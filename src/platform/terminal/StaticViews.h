// The terminal's views of the controls a person reads but does not act on (private to the
// terminal renderer): labels (wrapped, the mnemonic underlined; a click does nothing), frames
// (a box with the caption in its top line, or a rule), picture boxes and images (a box).
#pragma once

#include "platform/forms/Frame.h"
#include "platform/forms/Label.h"
#include "platform/forms/PictureBox.h"
#include "platform/terminal/ControlView.h"

namespace lumora::terminal {

class LabelView : public ControlView {
 public:
  LabelView(forms::Label& label, ViewContext& context)
      : ControlView(label, context), label_(label) {}
  Cell Draw(const CellRect& at, bool focused, bool enabled) override;
  void Click(int row, int col) override;

 private:
  forms::Label& label_;
};

class FrameView : public ControlView {
 public:
  FrameView(forms::Frame& frame, ViewContext& context)
      : ControlView(frame, context), frame_(frame) {}
  Cell Draw(const CellRect& at, bool focused, bool enabled) override;

 private:
  forms::Frame& frame_;
};

class PictureBoxView : public ControlView {
 public:
  PictureBoxView(forms::PictureBox& picture, ViewContext& context)
      : ControlView(picture, context), picture_(picture) {}
  Cell Draw(const CellRect& at, bool focused, bool enabled) override;

 private:
  forms::PictureBox& picture_;
};

// An image shows as a panel of its size: the terminal draws no pictures.
class ImageView : public ControlView {
 public:
  using ControlView::ControlView;
  Cell Draw(const CellRect& at, bool focused, bool enabled) override;
};

}  // namespace lumora::terminal
