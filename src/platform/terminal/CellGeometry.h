// Twips to character cells: a form's client area (the box around its controls) is scaled onto
// a grid of cells, a control's place and size measured from the form (through its containers).
// A position falls in the cell its twips start in; a size covers at least one cell. A control
// less than two rows high takes the one row its middle falls in.
#pragma once

#include <cstdint>

namespace lumora::forms {
class Control;
class Form;
}  // namespace lumora::forms

namespace lumora::terminal {

struct CellRect {
  int row = 0, col = 0, rows = 0, cols = 0;
  bool Contains(int r, int c) const {
    return r >= row && r < row + rows && c >= col && c < col + cols;
  }
  bool operator==(const CellRect&) const = default;
};

class CellGeometry {
 public:
  // `widthTwips` x `heightTwips` onto `cols` x `rows` cells whose top left is `origin`.
  CellGeometry(int32_t widthTwips, int32_t heightTwips, int cols, int rows, int originRow,
               int originCol);
  // The same for a form: its client area is the smallest box holding its controls.
  static CellGeometry ForForm(const forms::Form& form, int cols, int rows, int originRow,
                              int originCol);

  CellRect Scale(int32_t left, int32_t top, int32_t width, int32_t height) const;
  // A control's cells: its position through its containers, measured from the form.
  CellRect Of(const forms::Control& control) const;

 private:
  int32_t widthTwips_, heightTwips_;
  int cols_, rows_, originRow_, originCol_;
};

// Whether a person sees the control: it and each container are visible and placed on their
// container (the wizard moves the pages it does not show far to the left).
bool IsOnScreen(const forms::Control& control);

}  // namespace lumora::terminal
