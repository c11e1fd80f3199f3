#include "platform/terminal/StaticViews.h"

#include "platform/forms/UserInput.h"
#include "platform/terminal/TextCells.h"

namespace lumora::terminal {

Cell LabelView::Draw(const CellRect& at, bool /*focused*/, bool enabled) {
  const Role plain = enabled ? Role::kNormal : Role::kDisabled;
  const Mnemonic shown = ParseMnemonic(label_.Caption());
  const std::vector<std::string> lines = WrapCells(shown.shown, at.cols, context_.screen.Unicode());
  if (lines.size() == 1 && shown.glyph >= 0) {
    DrawCaption(context_.screen, label_.Caption(), at.row, at.col, at.cols, plain);
  } else {
    for (size_t i = 0; i < lines.size() && static_cast<int>(i) < at.rows; ++i) {
      context_.screen.Text(at.row + static_cast<int>(i), at.col, lines[i], at.cols, plain);
    }
  }
  return {at.row, at.col};
}

void LabelView::Click(int /*row*/, int /*col*/) {
  if (label_.CanHaveFocus()) forms::UserInput::Click(label_);
}

Cell FrameView::Draw(const CellRect& at, bool /*focused*/, bool enabled) {
  const Screen& screen = context_.screen;
  if (at.rows == 1 && frame_.Caption().empty()) {
    screen.HLine(at.row, at.col, at.cols, Role::kFrame);
  } else if (frame_.BorderStyle() != 0 && at.rows >= 2) {
    screen.Box(at.row, at.col, at.rows, at.cols, Role::kFrame);
    if (!frame_.Caption().empty()) {
      DrawCaption(screen, " " + frame_.Caption() + " ", at.row, at.col + 1, at.cols - 2,
                  enabled ? Role::kNormal : Role::kDisabled);
    }
  }
  return {at.row, at.col};
}

Cell PictureBoxView::Draw(const CellRect& at, bool /*focused*/, bool /*enabled*/) {
  if (picture_.BorderStyle() != 0) {
    context_.screen.Box(at.row, at.col, at.rows, at.cols, Role::kFrame);
  }
  return {at.row, at.col};
}

Cell ImageView::Draw(const CellRect& at, bool /*focused*/, bool /*enabled*/) {
  context_.screen.Box(at.row, at.col, at.rows, at.cols, Role::kPanel);
  return {at.row, at.col};
}

}  // namespace lumora::terminal
