#include "platform/terminal/FormPainter.h"

#include <curses.h>

#include <algorithm>

#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Form.h"
#include "platform/forms/Frame.h"
#include "platform/forms/Label.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/PictureBox.h"
#include "platform/forms/TextBox.h"
#include "platform/terminal/TabOrder.h"
#include "platform/terminal/TextCells.h"
#include "platform/terminal/TextEditing.h"

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

FormPainter::FormPainter(forms::Form& form, Screen& screen, ControlStates& states)
    : form_(form), screen_(screen), states_(states), geometry_(1, 1, 1, 1, 0, 0) {}

void FormPainter::Draw() {
  erase();
  curs_set(0);
  caretRow_ = caretCol_ = -1;
  if (COLS < kNeededCols || LINES < kNeededRows) {
    screen_.Text(0, 0, TooSmallMessage(COLS, LINES), COLS, Role::kNormal);
    return;
  }
  const int top = (LINES - kNeededRows) / 2;
  const int left = (COLS - kNeededCols) / 2;
  screen_.Box(top, left, kNeededRows, kNeededCols, Role::kFrame);
  const std::string title = " " + form_.Caption() + " ";
  const int titleCells = std::min(kNeededCols - 4, CellWidth(title, screen_.Unicode()));
  screen_.Text(top, left + (kNeededCols - titleCells) / 2, title, titleCells, Role::kTitle);
  geometry_ = CellGeometry::ForForm(form_, kNeededCols - 2, kNeededRows - 2, top + 1, left + 1);
  for (forms::Control* control : form_.Controls()) {
    if (IsOnScreen(*control)) DrawControl(*control);
  }
  PlaceCaret();
}

void FormPainter::PlaceCaret() {
  if (caretRow_ < 0) return;
  curs_set(1);
  move(caretRow_, caretCol_);
}

void FormPainter::DrawCaption(const std::string& caption, int row, int col, int cells, Role role) {
  const Mnemonic mnemonic = ParseMnemonic(caption);
  screen_.Text(row, col, mnemonic.shown, cells, role);
  if (mnemonic.glyph < 0) return;
  const std::vector<Glyph> glyphs = Glyphs(mnemonic.shown, screen_.Unicode());
  int at = 0;
  for (int i = 0; i < mnemonic.glyph && i < static_cast<int>(glyphs.size()); ++i) {
    at += glyphs[static_cast<size_t>(i)].cells;
  }
  if (mnemonic.glyph >= static_cast<int>(glyphs.size()) || at >= cells) return;
  attrset(screen_.Attribute(role) | screen_.Attribute(Role::kMnemonic));
  mvaddstr(row, col + at, glyphs[static_cast<size_t>(mnemonic.glyph)].bytes.c_str());
  attrset(A_NORMAL);
}

void FormPainter::DrawControl(forms::Control& control) {
  const CellRect at = geometry_.Of(control);
  const bool focused = ShownFocus(form_) == &control;
  const bool enabled = Enabled(control);
  const bool unicode = screen_.Unicode();
  const Role plain = enabled ? Role::kNormal : Role::kDisabled;
  if (auto* button = dynamic_cast<forms::CommandButton*>(&control)) {
    CellRect face = at;
    if (face.cols > 6) --face.cols;  // a gap between buttons side by side
    DrawButton(*button, face, focused, enabled);
  } else if (auto* check = dynamic_cast<forms::CheckBox*>(&control)) {
    const char* mark = check->Value() == forms::kChecked  ? "[x] "
                       : check->Value() == forms::kGrayed ? "[-] "
                                                          : "[ ] ";
    const Role role = focused ? Role::kFocus : plain;
    screen_.Text(at.row, at.col, mark, 4, role);
    DrawCaption(check->Caption(), at.row, at.col + 4, at.cols - 4, role);
  } else if (auto* option = dynamic_cast<forms::OptionButton*>(&control)) {
    const Role role = focused ? Role::kFocus : plain;
    screen_.Text(at.row, at.col, option->Value() ? "(*) " : "( ) ", 4, role);
    DrawCaption(option->Caption(), at.row, at.col + 4, at.cols - 4, role);
  } else if (auto* label = dynamic_cast<forms::Label*>(&control)) {
    const Mnemonic shown = ParseMnemonic(label->Caption());
    const std::vector<std::string> lines = WrapCells(shown.shown, at.cols, unicode);
    if (lines.size() == 1 && shown.glyph >= 0) {
      DrawCaption(label->Caption(), at.row, at.col, at.cols, plain);
    } else {
      for (size_t i = 0; i < lines.size() && static_cast<int>(i) < at.rows; ++i) {
        screen_.Text(at.row + static_cast<int>(i), at.col, lines[i], at.cols, plain);
      }
    }
  } else if (auto* frame = dynamic_cast<forms::Frame*>(&control)) {
    if (at.rows == 1 && frame->Caption().empty()) {
      screen_.HLine(at.row, at.col, at.cols, Role::kFrame);
    } else if (frame->BorderStyle() != 0 && at.rows >= 2) {
      screen_.Box(at.row, at.col, at.rows, at.cols, Role::kFrame);
      if (!frame->Caption().empty()) {
        DrawCaption(" " + frame->Caption() + " ", at.row, at.col + 1, at.cols - 2, plain);
      }
    }
  } else if (std::string(control.TypeName()) == "Image") {
    screen_.Box(at.row, at.col, at.rows, at.cols, Role::kPanel);
  } else if (auto* picture = dynamic_cast<forms::PictureBox*>(&control)) {
    if (picture->BorderStyle() != 0) screen_.Box(at.row, at.col, at.rows, at.cols, Role::kFrame);
  } else if (auto* combo = dynamic_cast<forms::ComboBox*>(&control)) {
    const Role role = focused ? Role::kFocus : enabled ? Role::kField : Role::kDisabled;
    screen_.Text(at.row, at.col, combo->Text(), at.cols - 3, role);
    screen_.Text(at.row, at.col + at.cols - 3, unicode ? "[\xE2\x96\xBC]" : "[v]", 3, role);
  } else if (auto* list = dynamic_cast<forms::ListView*>(&control)) {
    DrawList(*list, at, focused);
  } else if (auto* box = dynamic_cast<forms::TextBox*>(&control)) {
    DrawText(*box, at, focused);
  }
}

void FormPainter::DrawButton(forms::CommandButton& button, const CellRect& at, bool focused,
                             bool enabled) {
  const Role role = focused ? Role::kFocus : enabled ? Role::kButton : Role::kDisabled;
  const Mnemonic shown = ParseMnemonic(button.Caption());
  const int inner = std::max(1, at.cols - 2);
  const int pad = std::max(0, (inner - CellWidth(shown.shown, screen_.Unicode())) / 2);
  // The default button, which Enter presses wherever the focus is, in square brackets.
  screen_.Text(at.row, at.col, button.Default() ? "[" : "<", 1, role);
  screen_.Text(at.row, at.col + 1, "", pad, role);
  DrawCaption(button.Caption(), at.row, at.col + 1 + pad, inner - pad, role);
  screen_.Text(at.row, at.col + at.cols - 1, button.Default() ? "]" : ">", 1, role);
}

void FormPainter::DrawList(forms::ListView& list, const CellRect& at, bool focused) {
  const bool unicode = screen_.Unicode();
  const bool enabled = Enabled(list);
  CellRect rows = at;
  const auto& columns = list.ColumnHeaders();
  if (!list.HideColumnHeaders() && columns.Count() > 0 && list.View() == forms::kReport) {
    std::string header = list.Checkboxes() ? "    " : "";
    header += columns.Item(1).Text();
    screen_.Text(at.row, at.col, header, at.cols, Role::kTitle);
    ++rows.row;
    --rows.rows;
  }
  const int32_t count = list.ListItems().Count();
  ListState& state = states_.Of(list);
  state.cursor = std::clamp(state.cursor, 1, std::max(1, count));
  if (state.cursor < state.top) state.top = state.cursor;
  if (state.cursor >= state.top + rows.rows) state.top = state.cursor - rows.rows + 1;
  state.top = std::clamp(state.top, 1, std::max(1, count - rows.rows + 1));
  const bool scrolls = count > rows.rows;
  const int textCols = at.cols - 1;  // the last column holds the scroll bar
  int thumb = -1;
  if (scrolls) {
    thumb =
        static_cast<int>(int64_t{state.top - 1} * (rows.rows - 1) / std::max(1, count - rows.rows));
  }
  for (int r = 0; r < rows.rows; ++r) {
    const int32_t index = state.top + r;
    const int row = rows.row + r;
    Role role = enabled ? Role::kField : Role::kDisabled;
    std::string line;
    if (index <= count) {
      const forms::ListItem& item = list.ListItems().Item(index);
      if (list.Checkboxes()) line = item.Checked() ? "[x] " : "[ ] ";
      line += item.Text();
      if (index == state.cursor && focused) role = Role::kFocus;
    }
    screen_.Text(row, at.col, line, textCols, role);
    const char* bar = " ";
    if (scrolls)
      bar = r == thumb ? (unicode ? "\xE2\x96\x88" : "#") : (unicode ? "\xE2\x94\x82" : "|");
    screen_.Text(row, at.col + textCols, bar, 1, enabled ? Role::kField : Role::kDisabled);
  }
}

void FormPainter::DrawText(forms::TextBox& box, const CellRect& at, bool focused) {
  const bool unicode = screen_.Unicode();
  // The focused box in reverse video, so that it shows without colour too.
  const Role role = !Enabled(box)                 ? Role::kDisabled
                    : focused && !box.MultiLine() ? Role::kFocus
                                                  : Role::kField;
  EditState& state = states_.Of(box);
  const std::vector<std::string> lines = SplitLines(box.Text(), box.MultiLine());
  state.line = std::min(state.line, lines.size() - 1);
  state.column = std::min(state.column, lines[state.line].size());
  const int rows = box.MultiLine() ? at.rows : 1;
  if (state.line < state.top) state.top = state.line;
  if (state.line >= state.top + static_cast<size_t>(rows)) state.top = state.line - rows + 1;
  const int caret = CellWidth(std::string_view(lines[state.line]).substr(0, state.column), unicode);
  if (caret < static_cast<int>(state.left)) state.left = static_cast<size_t>(caret);
  if (caret >= static_cast<int>(state.left) + at.cols) {
    state.left = static_cast<size_t>(caret - at.cols + 1);
  }
  for (int r = 0; r < rows; ++r) {
    const size_t index = state.top + static_cast<size_t>(r);
    const std::string text = index < lines.size()
                                 ? SkipCells(lines[index], static_cast<int>(state.left), unicode)
                                 : std::string();
    screen_.Text(at.row + r, at.col, text, at.cols, role);
  }
  if (focused && !box.Locked()) {
    caretRow_ = at.row + static_cast<int>(state.line - state.top);
    caretCol_ = at.col + caret - static_cast<int>(state.left);
  } else if (focused) {
    // A read-only box shows where it is by the line it is on.
    const std::string text = SkipCells(lines[state.line], static_cast<int>(state.left), unicode);
    screen_.Text(at.row + static_cast<int>(state.line - state.top), at.col, text, at.cols,
                 Role::kFocus);
  }
}

}  // namespace lumora::terminal
