#include "platform/terminal/ButtonViews.h"

#include <curses.h>

#include <algorithm>
#include <string_view>

#include "platform/forms/UserInput.h"
#include "platform/terminal/Focus.h"
#include "platform/terminal/TextCells.h"

namespace lumora::terminal {

Cell CommandButtonView::Draw(const CellRect& at, bool focused, bool enabled) {
  CellRect face = at;
  if (face.cols > 6) --face.cols;  // a gap between buttons side by side
  const Screen& screen = context_.screen;
  const Role role = focused ? Role::kFocus : enabled ? Role::kButton : Role::kDisabled;
  const Mnemonic shown = ParseMnemonic(button_.Caption());
  const int inner = std::max(1, face.cols - 2);
  const int pad = std::max(0, (inner - CellWidth(shown.shown, screen.Unicode())) / 2);
  // The default button, which Enter presses wherever the focus is, in square brackets; one that
  // cannot be pressed between dashes, which a screen reader reads and a braille line shows.
  const char* left = !enabled ? "-" : button_.Default() ? "[" : "<";
  const char* right = !enabled ? "-" : button_.Default() ? "]" : ">";
  screen.Text(face.row, face.col, left, 1, role);
  screen.Text(face.row, face.col + 1, "", pad, role);
  DrawCaption(screen, button_.Caption(), face.row, face.col + 1 + pad, inner - pad, role);
  screen.Text(face.row, face.col + face.cols - 1, right, 1, role);
  return {face.row, face.col};
}

bool CommandButtonView::Key(int /*code*/, int ch) {
  if (ch != ' ') return false;
  forms::UserInput::Click(button_);
  return true;
}

Cell CheckBoxView::Draw(const CellRect& at, bool focused, bool enabled) {
  const char* mark = check_.Value() == forms::kChecked  ? "[x] "
                     : check_.Value() == forms::kGrayed ? "[-] "
                                                        : "[ ] ";
  const Role role = focused ? Role::kFocus : enabled ? Role::kNormal : Role::kDisabled;
  context_.screen.Text(at.row, at.col, mark, 4, role);
  DrawCaption(context_.screen, check_.Caption(), at.row, at.col + 4, at.cols - 4, role);
  return {at.row, at.col};
}

bool CheckBoxView::Key(int /*code*/, int ch) {
  if (ch != ' ') return false;
  forms::UserInput::Click(check_);
  return true;
}

Cell OptionButtonView::Draw(const CellRect& at, bool focused, bool enabled) {
  const Role role = focused ? Role::kFocus : enabled ? Role::kNormal : Role::kDisabled;
  context_.screen.Text(at.row, at.col, option_.Value() ? "(*) " : "( ) ", 4, role);
  DrawCaption(context_.screen, option_.Caption(), at.row, at.col + 4, at.cols - 4, role);
  return {at.row, at.col};
}

bool OptionButtonView::Key(int code, int ch) {
  if (ch == ' ') {
    forms::UserInput::Click(option_);
    return true;
  }
  if (code != KEY_UP && code != KEY_DOWN && code != KEY_LEFT && code != KEY_RIGHT) return false;
  // The arrows choose the next option of the same container, round.
  std::vector<forms::Control*> group;
  for (forms::Control* sibling : TabChain(context_.form)) {
    if (std::string_view(sibling->TypeName()) == "OptionButton" &&
        sibling->Container() == option_.Container()) {
      group.push_back(sibling);
    }
  }
  const auto at = std::find(group.begin(), group.end(), &option_);
  if (at == group.end() || group.size() < 2) return true;
  const size_t step = code == KEY_UP || code == KEY_LEFT ? group.size() - 1 : 1;
  const auto index = static_cast<size_t>(at - group.begin());
  forms::UserInput::Click(*group[(index + step) % group.size()]);
  return true;
}

}  // namespace lumora::terminal
