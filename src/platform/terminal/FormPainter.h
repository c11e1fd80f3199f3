// Draws one form on the terminal (private to the terminal renderer): the frame with the form's
// caption and every control shown, from the controls' properties and the states the form view
// keeps, scaled from twips to cells so that the form fits 80 x 24; on a smaller terminal, one
// line saying the size it needs. Draws into the curses screen; the caller refreshes it.
#pragma once

#include <string>

#include "platform/terminal/CellGeometry.h"
#include "platform/terminal/ControlStates.h"
#include "platform/terminal/Screen.h"

namespace lumora::forms {
class CommandButton;
class Control;
class Form;
class ListView;
class TextBox;
}  // namespace lumora::forms

namespace lumora::terminal {

// The size the wizard needs and the line said when the terminal is smaller.
inline constexpr int kNeededCols = 80;
inline constexpr int kNeededRows = 24;
std::string TooSmallMessage(int cols, int rows);

class FormPainter {
 public:
  FormPainter(forms::Form& form, Screen& screen, ControlStates& states);

  // Draws the whole screen; the caret is left in the focused text box.
  void Draw();
  // Where the controls were drawn last.
  const CellGeometry& Geometry() const { return geometry_; }

 private:
  void PlaceCaret();
  void DrawControl(forms::Control& control);
  void DrawCaption(const std::string& caption, int row, int col, int cells, Role role);
  void DrawButton(forms::CommandButton& button, const CellRect& at, bool focused, bool enabled);
  void DrawList(forms::ListView& list, const CellRect& at, bool focused);
  void DrawText(forms::TextBox& box, const CellRect& at, bool focused);

  forms::Form& form_;
  Screen& screen_;
  ControlStates& states_;
  CellGeometry geometry_;
  int caretRow_ = -1, caretCol_ = -1;
};

}  // namespace lumora::terminal
