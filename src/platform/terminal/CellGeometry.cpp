#include "platform/terminal/CellGeometry.h"

#include <algorithm>

#include "platform/forms/Form.h"

namespace lumora::terminal {

CellGeometry::CellGeometry(int32_t widthTwips, int32_t heightTwips, int cols, int rows,
                           int originRow, int originCol)
    : widthTwips_(std::max(1, widthTwips)),
      heightTwips_(std::max(1, heightTwips)),
      cols_(cols),
      rows_(rows),
      originRow_(originRow),
      originCol_(originCol) {}

CellGeometry CellGeometry::ForForm(const forms::Form& form, int cols, int rows, int originRow,
                                   int originCol) {
  int32_t width = 0, height = 0;
  for (const forms::Control* child : form.Children()) {
    if (!child->Visible()) continue;
    width = std::max(width, child->Left() + child->Width());
    height = std::max(height, child->Top() + child->Height());
  }
  return CellGeometry(width, height, cols, rows, originRow, originCol);
}

CellRect CellGeometry::Scale(int32_t left, int32_t top, int32_t width, int32_t height) const {
  const auto along = [](int64_t twips, int64_t cells, int64_t whole) {
    // Floor division, also for positions left of the form.
    const int64_t scaled = twips * cells;
    return static_cast<int>(scaled >= 0 ? scaled / whole : -((-scaled + whole - 1) / whole));
  };
  CellRect rect;
  rect.col = originCol_ + along(left, cols_, widthTwips_);
  rect.row = originRow_ + along(top, rows_, heightTwips_);
  const int right = originCol_ + along(int64_t{left} + width, cols_, widthTwips_);
  const int bottom = originRow_ + along(int64_t{top} + height, rows_, heightTwips_);
  rect.cols = std::max(1, right - rect.col);
  rect.rows = std::max(1, bottom - rect.row);
  if (int64_t{height} * rows_ < int64_t{2} * heightTwips_) {
    // Less than two rows high (a button, a box, a line): the row its middle falls in, so that
    // controls side by side stay on one row.
    rect.row = originRow_ + along(int64_t{top} + height / 2, rows_, heightTwips_);
    rect.rows = 1;
  }
  return rect;
}

CellRect CellGeometry::Of(const forms::Control& control) const {
  int32_t left = control.Left(), top = control.Top();
  for (const forms::Control* c = control.Container(); c != nullptr; c = c->Container()) {
    left += c->Left();
    top += c->Top();
  }
  return Scale(left, top, control.Width(), control.Height());
}

bool IsOnScreen(const forms::Control& control) {
  for (const forms::Control* c = &control; c != nullptr; c = c->Container()) {
    if (!c->Visible()) return false;
    const forms::Control* holder = c->Container();
    if (holder == nullptr) continue;
    if (c->Left() + c->Width() <= 0 || c->Top() + c->Height() <= 0) return false;
    if (c->Left() >= holder->Width() || c->Top() >= holder->Height()) return false;
  }
  return true;
}

}  // namespace lumora::terminal
