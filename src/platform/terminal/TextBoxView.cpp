#include "platform/terminal/TextBoxView.h"

#include <curses.h>

#include <algorithm>

#include "platform/forms/Form.h"
#include "platform/forms/UserInput.h"
#include "platform/terminal/TextCells.h"
#include "platform/terminal/TextEditing.h"

namespace lumora::terminal {
namespace {

constexpr int kBackspace = 127;

}  // namespace

void TextBoxView::TextSet() {
  if (editing_) return;
  line_ = column_ = top_ = left_ = 0;
}

Cell TextBoxView::Draw(const CellRect& at, bool focused, bool enabled) {
  const Screen& screen = context_.screen;
  const bool unicode = screen.Unicode();
  const bool multiLine = box_.MultiLine();
  // The focused box in reverse video, so that it shows without colour too.
  const Role role = !enabled                ? Role::kDisabled
                    : focused && !multiLine ? Role::kFocus
                                            : Role::kField;
  const std::vector<std::string> lines = SplitLines(box_.Text(), multiLine);
  line_ = std::min(line_, lines.size() - 1);
  column_ = std::min(column_, lines[line_].size());
  const int rows = multiLine ? at.rows : 1;
  // A multi-line box keeps its last column for the marks of hidden lines.
  const int cols = multiLine && at.cols > 1 ? at.cols - 1 : at.cols;
  if (line_ < top_) top_ = line_;
  if (line_ >= top_ + static_cast<size_t>(rows)) top_ = line_ - static_cast<size_t>(rows) + 1;
  const int caret = CellWidth(std::string_view(lines[line_]).substr(0, column_), unicode);
  if (caret < static_cast<int>(left_)) left_ = static_cast<size_t>(caret);
  if (caret >= static_cast<int>(left_) + cols) left_ = static_cast<size_t>(caret - cols + 1);
  for (int r = 0; r < rows; ++r) {
    const size_t index = top_ + static_cast<size_t>(r);
    const std::string text =
        index < lines.size() ? SkipCells(lines[index], static_cast<int>(left_), unicode) : "";
    screen.Text(at.row + r, at.col, text, cols, role);
    if (cols < at.cols) {
      const bool above = r == 0 && top_ > 0;
      const bool below = r == rows - 1 && top_ + static_cast<size_t>(rows) < lines.size();
      const char* mark = above   ? (unicode ? "\xE2\x96\xB2" : "^")
                         : below ? (unicode ? "\xE2\x96\xBC" : "v")
                                 : " ";
      screen.Text(at.row + r, at.col + cols, mark, 1, role);
    }
  }
  const Cell caretCell{at.row + static_cast<int>(line_ - top_),
                       at.col + caret - static_cast<int>(left_)};
  if (focused && box_.Locked()) {
    // A read-only box shows where it is by the line it is on.
    const std::string text = SkipCells(lines[line_], static_cast<int>(left_), unicode);
    screen.Text(caretCell.row, at.col, text, cols, Role::kFocus);
  }
  return caretCell;
}

bool TextBoxView::Key(int code, int ch) {
  const bool multiLine = box_.MultiLine();
  TextEdit edit(box_.Text(), multiLine, line_, column_);
  const int rows = multiLine ? std::max(1, context_.geometry.Of(box_).rows - 1) : 1;
  const bool locked = box_.Locked();
  bool changed = false;
  switch (code) {
    case KEY_LEFT:
      edit.Left();
      break;
    case KEY_RIGHT:
      edit.Right();
      break;
    case KEY_UP:
      edit.Up(1);
      break;
    case KEY_DOWN:
      edit.Down(1);
      break;
    case KEY_PPAGE:
      edit.Up(static_cast<size_t>(rows));
      break;
    case KEY_NPAGE:
      edit.Down(static_cast<size_t>(rows));
      break;
    case KEY_HOME:
      edit.Home();
      break;
    case KEY_END:
      edit.End();
      break;
    case KEY_BACKSPACE:
      changed = !locked && edit.Backspace();
      break;
    case KEY_DC:
      changed = !locked && edit.Delete();
      break;
    case KEY_ENTER:
      changed = !locked && edit.Insert("\n");
      break;
    default:
      if (ch == kBackspace || ch == 8) {
        changed = !locked && edit.Backspace();
      } else if (ch == 13 || ch == '\n') {
        changed = !locked && edit.Insert("\n");
      } else if (ch >= 32 && !locked) {
        changed = edit.Insert(EncodeUtf8(static_cast<char32_t>(ch)));
      }
  }
  if (changed) {
    editing_ = true;
    forms::UserInput::Type(box_, edit.Text());
    editing_ = false;
  }
  // The runtime may have refused or changed the text; the caret stays within what it holds.
  line_ = edit.Line();
  column_ = edit.Column();
  return true;
}

void TextBoxView::Click(int row, int /*col*/) {
  forms::UserInput::Focus(box_);
  if (box_.MultiLine()) {
    line_ = top_ + static_cast<size_t>(row - context_.geometry.Of(box_).row);
    column_ = 0;
  }
}

}  // namespace lumora::terminal
