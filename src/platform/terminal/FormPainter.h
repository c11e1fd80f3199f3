// Draws one form on the terminal (private to the terminal renderer): the frame with the form's
// caption and every control shown, each by its view, scaled from twips to cells so that the
// form fits 80 x 24; on a smaller terminal, one line saying the size it needs. The hardware
// cursor is left on the focused control (its first cell, or the caret), where a screen reader
// looks for it. Draws into the curses screen; the caller refreshes it.
#pragma once

#include <string>

#include "platform/terminal/CellGeometry.h"
#include "platform/terminal/ControlView.h"
#include "platform/terminal/Screen.h"

namespace lumora::terminal {

// The size the wizard needs and the line said when the terminal is smaller.
inline constexpr int kNeededCols = 80;
inline constexpr int kNeededRows = 24;
std::string TooSmallMessage(int cols, int rows);

class FormPainter {
 public:
  // Draws the context's form; keeps in it where the controls were drawn.
  FormPainter(ViewContext& context, ControlViews& views);

  void Draw();
  // Where the controls were drawn last.
  const CellGeometry& Geometry() const { return context_.geometry; }

 private:
  ViewContext& context_;
  forms::Form& form_;
  Screen& screen_;
  ControlViews& views_;
};

}  // namespace lumora::terminal
