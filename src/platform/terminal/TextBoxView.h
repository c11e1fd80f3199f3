// The terminal's view of a text box (private to the terminal renderer): its lines with a caret
// that the keys move and edit (TextEdit), scrolled to keep the caret shown, each edit handed to
// the runtime whole through UserInput::Type. Text the program sets puts the caret and the
// scrolling back at the top, as a Windows edit control does; a multi-line box marks in its last
// column that lines are hidden above or below.
#pragma once

#include <cstddef>

#include "platform/forms/TextBox.h"
#include "platform/terminal/ControlView.h"

namespace lumora::terminal {

class TextBoxView : public ControlView {
 public:
  TextBoxView(forms::TextBox& box, ViewContext& context) : ControlView(box, context), box_(box) {}
  Cell Draw(const CellRect& at, bool focused, bool enabled) override;
  bool Key(int code, int ch) override;
  bool KeepsEnter() const override { return box_.MultiLine() && !box_.Locked(); }
  CellRect HitArea(const CellRect& at) const override { return at; }
  void Click(int row, int col) override;
  void TextSet() override;

 private:
  forms::TextBox& box_;
  size_t line_ = 0, column_ = 0;  // the caret: a line and a byte offset in it
  size_t top_ = 0, left_ = 0;     // the first line and the first cell shown
  bool editing_ = false;          // the text is being set from the keys, not by the program
};

}  // namespace lumora::terminal
