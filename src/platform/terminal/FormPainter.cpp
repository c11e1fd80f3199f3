#include "platform/terminal/FormPainter.h"

#include <curses.h>

#include <algorithm>

#include "platform/forms/Form.h"
#include "platform/terminal/Focus.h"
#include "platform/terminal/TextCells.h"

namespace lumora::terminal {
namespace {

bool Enabled(const forms::Control& control) {
  for (const forms::Control* c = &control; c != nullptr; c = c->Container()) {
    if (!c->Enabled()) return false;
  }
  return true;
}

}  // namespace

std::string TooSmallMessage(int cols, int rows) {
  return "Lumora needs " + std::to_string(kNeededCols) + "x" + std::to_string(kNeededRows) +
         "; this terminal is " + std::to_string(cols) + "x" + std::to_string(rows) + ": enlarge it";
}

FormPainter::FormPainter(ViewContext& context, ControlViews& views)
    : context_(context), form_(context.form), screen_(context.screen), views_(views) {}

void FormPainter::Draw() {
  erase();
  if (COLS < kNeededCols || LINES < kNeededRows) {
    screen_.Text(0, 0, TooSmallMessage(COLS, LINES), COLS, Role::kNormal);
    screen_.PlaceCursor(0, 0);
    return;
  }
  const int top = (LINES - kNeededRows) / 2;
  const int left = (COLS - kNeededCols) / 2;
  screen_.Box(top, left, kNeededRows, kNeededCols, Role::kFrame);
  const std::string title = " " + form_.Caption() + " ";
  const int titleCells = std::min(kNeededCols - 4, CellWidth(title, screen_.Unicode()));
  screen_.Text(top, left + (kNeededCols - titleCells) / 2, title, titleCells, Role::kTitle);
  context_.geometry =
      CellGeometry::ForForm(form_, kNeededCols - 2, kNeededRows - 2, top + 1, left + 1);
  const forms::Control* focus = ShownFocus(form_);
  Cell cursor;
  for (forms::Control* control : form_.Controls()) {
    if (!IsOnScreen(*control)) continue;
    ControlView* view = views_.Of(*control);
    if (view == nullptr) continue;
    const Cell drawn =
        view->Draw(context_.geometry.Of(*control), control == focus, Enabled(*control));
    if (control == focus) cursor = drawn;
  }
  if (cursor.row >= 0) {
    screen_.PlaceCursor(cursor.row, cursor.col);
  } else {
    screen_.HideCursor();
  }
}

}  // namespace lumora::terminal
