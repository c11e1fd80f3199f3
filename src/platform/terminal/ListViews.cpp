#include "platform/terminal/ListViews.h"

#include <curses.h>

#include <algorithm>

#include "platform/forms/Form.h"
#include "platform/forms/UserInput.h"

namespace lumora::terminal {
namespace {

using forms::UserInput;

bool IsEnter(const Key& key) {
  return (key.kind == Key::kChar && (key.value == 13 || key.value == '\n')) ||
         (key.kind == Key::kCode && key.value == KEY_ENTER);
}

}  // namespace

// --- List view ----------------------------------------------------------------------------------

int ListViewView::HeaderRows() const {
  return !list_.HideColumnHeaders() && list_.ColumnHeaders().Count() > 0 &&
                 list_.View() == forms::kReport
             ? 1
             : 0;
}

void ListViewView::ItemsChanged() {
  const int32_t count = list_.ListItems().Count();
  cursor_ = std::clamp(cursor_, 1, std::max(1, count));
  top_ = std::clamp(top_, 1, std::max(1, count));
}

Cell ListViewView::Draw(const CellRect& at, bool focused, bool enabled) {
  const Screen& screen = context_.screen;
  const bool unicode = screen.Unicode();
  CellRect rows = at;
  if (HeaderRows() > 0) {
    std::string header = list_.Checkboxes() ? "    " : "";
    header += list_.ColumnHeaders().Item(1).Text();
    screen.Text(at.row, at.col, header, at.cols, Role::kTitle);
    ++rows.row;
    --rows.rows;
  }
  const int32_t count = list_.ListItems().Count();
  cursor_ = std::clamp(cursor_, 1, std::max(1, count));
  if (cursor_ < top_) top_ = cursor_;
  if (cursor_ >= top_ + rows.rows) top_ = cursor_ - rows.rows + 1;
  top_ = std::clamp(top_, 1, std::max(1, count - rows.rows + 1));
  const bool scrolls = count > rows.rows;
  const int textCols = at.cols - 1;  // the last column holds the scroll bar
  int thumb = -1;
  if (scrolls) {
    thumb = static_cast<int>(int64_t{top_ - 1} * (rows.rows - 1) / std::max(1, count - rows.rows));
  }
  for (int r = 0; r < rows.rows; ++r) {
    const int32_t index = top_ + r;
    const int row = rows.row + r;
    Role role = enabled ? Role::kField : Role::kDisabled;
    std::string line;
    if (index <= count) {
      const forms::ListItem& item = list_.ListItems().Item(index);
      if (list_.Checkboxes()) line = item.Checked() ? "[x] " : "[ ] ";
      line += item.Text();
      if (index == cursor_ && focused) role = Role::kFocus;
    }
    screen.Text(row, at.col, line, textCols, role);
    const char* bar = " ";
    if (scrolls)
      bar = r == thumb ? (unicode ? "\xE2\x96\x88" : "#") : (unicode ? "\xE2\x94\x82" : "|");
    screen.Text(row, at.col + textCols, bar, 1, enabled ? Role::kField : Role::kDisabled);
  }
  return {rows.row + std::max(0, cursor_ - top_), at.col};
}

bool ListViewView::Key(int code, int ch) {
  const int32_t count = list_.ListItems().Count();
  const int32_t page = std::max(1, context_.geometry.Of(list_).rows - 1);
  switch (code) {
    case KEY_UP:
      cursor_ = std::max(1, cursor_ - 1);
      break;
    case KEY_DOWN:
      cursor_ = std::min(count, cursor_ + 1);
      break;
    case KEY_PPAGE:
      cursor_ = std::max(1, cursor_ - page);
      break;
    case KEY_NPAGE:
      cursor_ = std::min(count, cursor_ + page);
      break;
    case KEY_HOME:
      cursor_ = 1;
      break;
    case KEY_END:
      cursor_ = count;
      break;
    default:
      if (ch != ' ') return true;  // a list takes every key while it has the focus
      if (list_.Checkboxes() && cursor_ >= 1 && cursor_ <= count) {
        UserInput::Tick(list_, cursor_, !list_.ListItems().Item(cursor_).Checked());
      }
      return true;
  }
  cursor_ = std::max(1, cursor_);
  return true;
}

void ListViewView::Click(int row, int col) {
  const CellRect at = context_.geometry.Of(list_);
  const int header = HeaderRows();
  const int32_t index = top_ + (row - at.row - header);
  UserInput::Focus(list_);
  if (index >= 1 && index <= list_.ListItems().Count() && row - at.row >= header) {
    cursor_ = index;
    if (list_.Checkboxes() && col < at.col + 3) {
      UserInput::Tick(list_, index, !list_.ListItems().Item(index).Checked());
    }
  }
}

bool ListViewView::Wheel(int step) {
  cursor_ = std::clamp(cursor_ + step, 1, std::max(1, list_.ListItems().Count()));
  return true;
}

// --- Combo box ----------------------------------------------------------------------------------

Cell ComboBoxView::Draw(const CellRect& at, bool focused, bool enabled) {
  const Screen& screen = context_.screen;
  const Role role = focused ? Role::kFocus : enabled ? Role::kField : Role::kDisabled;
  screen.Text(at.row, at.col, combo_.Text(), at.cols - 3, role);
  screen.Text(at.row, at.col + at.cols - 3, screen.Unicode() ? "[\xE2\x96\xBC]" : "[v]", 3, role);
  return {at.row, at.col};
}

bool ComboBoxView::Key(int code, int ch) {
  const int16_t count = combo_.ListCount();
  if (code == KEY_UP && combo_.ListIndex() > 0) {
    UserInput::Choose(combo_, static_cast<int16_t>(combo_.ListIndex() - 1));
  } else if (code == KEY_DOWN && combo_.ListIndex() + 1 < count) {
    UserInput::Choose(combo_, static_cast<int16_t>(combo_.ListIndex() + 1));
  } else if (ch == ' ' || code == KEY_F(4)) {
    DropDown();
  }
  return true;
}

void ComboBoxView::Click(int /*row*/, int /*col*/) {
  UserInput::Focus(combo_);
  DropDown();
}

void ComboBoxView::DropDown() {
  const int16_t count = combo_.ListCount();
  if (count == 0) return;
  Screen& screen = context_.screen;
  const CellRect at = context_.geometry.Of(combo_);
  int chosen = std::max<int>(0, combo_.ListIndex());
  int top = 0;
  for (;;) {
    context_.redraw();
    const int shown = std::min<int>(count, std::max(1, LINES - at.row - 3));
    int row = at.row + 1;
    if (row + shown + 2 > LINES) row = std::max(0, at.row - shown - 2);
    if (chosen < top) top = chosen;
    if (chosen >= top + shown) top = chosen - shown + 1;
    screen.Box(row, at.col, shown + 2, at.cols, Role::kFrame);
    for (int i = 0; i < shown; ++i) {
      const int index = top + i;
      screen.Text(row + 1 + i, at.col + 1,
                  index < count ? combo_.List(static_cast<int16_t>(index)) : "", at.cols - 2,
                  index == chosen ? Role::kFocus : Role::kField);
    }
    screen.PlaceCursor(row + 1 + chosen - top, at.col + 1);
    refresh();
    const terminal::Key key = screen.Read(250);
    if (key.kind == Key::kEnd) return;
    if (key.kind == Key::kNone) continue;
    if (key.kind == Key::kCode && key.value == KEY_MOUSE) {
      MEVENT event{};
      if (getmouse(&event) != OK) continue;
      if (event.y > row && event.y <= row + shown && event.x > at.col &&
          event.x < at.col + at.cols - 1) {
        UserInput::Choose(combo_, static_cast<int16_t>(top + event.y - row - 1));
      }
      return;
    }
    if (IsEnter(key) || (key.kind == Key::kChar && key.value == ' ')) {
      UserInput::Choose(combo_, static_cast<int16_t>(chosen));
      return;
    }
    if (key.kind == Key::kChar && (key.value == 27 || key.value == '\t')) return;
    if (key.kind != Key::kCode) continue;
    switch (key.value) {
      case KEY_UP:
        chosen = std::max(0, chosen - 1);
        break;
      case KEY_DOWN:
        chosen = std::min<int>(count - 1, chosen + 1);
        break;
      case KEY_PPAGE:
        chosen = std::max(0, chosen - shown);
        break;
      case KEY_NPAGE:
        chosen = std::min<int>(count - 1, chosen + shown);
        break;
      case KEY_HOME:
        chosen = 0;
        break;
      case KEY_END:
        chosen = count - 1;
        break;
      default:
        break;
    }
  }
}

}  // namespace lumora::terminal
