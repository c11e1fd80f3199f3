#include "platform/terminal/FormView.h"

#include <curses.h>

#include <algorithm>
#include <cctype>

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
#include "platform/forms/UserInput.h"
#include "platform/terminal/TabOrder.h"
#include "platform/terminal/TextCells.h"
#include "platform/terminal/TextEditing.h"

namespace lumora::terminal {
namespace {

using forms::UserInput;

constexpr int kEnter = 13;
constexpr int kTab = 9;
constexpr int kBackspace = 127;

bool IsEnter(const Key& key) {
  return (key.kind == Key::kChar && (key.value == kEnter || key.value == '\n')) ||
         (key.kind == Key::kCode && key.value == KEY_ENTER);
}

}  // namespace

FormView::FormView(forms::Form& form, Screen& screen)
    : form_(form), screen_(screen), painter_(form, screen, states_) {
  form_.AddObserver(this);
}

FormView::~FormView() {
  form_.RemoveObserver(this);
}

void FormView::FormUnloaded(forms::Form&) {
  unloaded_ = true;
}

void FormView::ItemsChanged(forms::Control& control) {
  if (auto* list = dynamic_cast<forms::ListView*>(&control)) {
    ListState& state = states_.Of(*list);
    const int32_t count = list->ListItems().Count();
    state.cursor = std::clamp(state.cursor, 1, std::max(1, count));
    state.top = std::clamp(state.top, 1, std::max(1, count));
  }
}

void FormView::Run() {
  while (!unloaded_ && form_.IsLoaded()) {
    painter_.Draw();
    refresh();
    const Key key = screen_.Read(250);
    if (key.kind == Key::kEnd) {
      form_.Unload(forms::kAppWindows);
      return;
    }
    if (key.kind != Key::kNone) Handle(key);
  }
}

// --- Focus ------------------------------------------------------------------------------------

// --- Focus ------------------------------------------------------------------------------------

void FormView::Move(int step) {
  const std::vector<forms::Control*> chain = TabChain(form_);
  if (chain.empty()) return;
  forms::Control* from = form_.ActiveControl();
  auto at = std::find(chain.begin(), chain.end(), from);
  size_t next = 0;
  if (at == chain.end()) {
    next = step > 0 ? 0 : chain.size() - 1;
    // The first stop already looks focused; Tab goes on from it.
    if (step > 0 && chain.size() > 1) next = 1;
  } else {
    const auto index = static_cast<size_t>(at - chain.begin());
    next = (index + chain.size() + static_cast<size_t>(step)) % chain.size();
  }
  UserInput::Focus(*chain[next]);
}

bool FormView::PressMnemonic(char letter) {
  const MnemonicTarget target = FindMnemonic(form_, letter);
  if (target.control == nullptr) return false;
  if (target.click) {
    UserInput::Click(*target.control);
  } else {
    UserInput::Focus(*target.control);
  }
  return true;
}

// --- Keys -------------------------------------------------------------------------------------

void FormView::Handle(const Key& key) {
  if (key.kind == Key::kCode && key.value == KEY_RESIZE) return;
  if (COLS < kNeededCols || LINES < kNeededRows) return;  // nothing to act on is shown
  if (key.kind == Key::kCode && key.value == KEY_MOUSE) {
    MEVENT event{};
    if (getmouse(&event) != OK) return;
    if (event.bstate & BUTTON4_PRESSED) {
      Wheel(event.y, event.x, -3);
    } else if (event.bstate & BUTTON5_PRESSED) {
      Wheel(event.y, event.x, 3);
    } else if (event.bstate & (BUTTON1_CLICKED | BUTTON1_PRESSED)) {
      Click(event.y, event.x);
    }
    return;
  }
  if (key.alt && key.kind == Key::kChar && key.value < 128 && std::isalnum(key.value)) {
    PressMnemonic(static_cast<char>(std::tolower(key.value)));
    return;
  }
  if (key.kind == Key::kCode && key.value == KEY_F(1)) {
    UserInput::Key(form_, forms::kKeyF1);
    return;
  }
  if (key.kind == Key::kChar && key.value == 27) {
    UserInput::Key(form_, forms::kKeyEscape);
    return;
  }
  if (key.kind == Key::kChar && key.value == kTab) {
    Move(1);
    return;
  }
  if (key.kind == Key::kCode && key.value == KEY_BTAB) {
    Move(-1);
    return;
  }
  forms::Control* focused = ShownFocus(form_);
  auto* box = dynamic_cast<forms::TextBox*>(focused);
  if (IsEnter(key) && !(box != nullptr && box->MultiLine() && !box->Locked())) {
    if (auto* button = dynamic_cast<forms::CommandButton*>(focused)) {
      UserInput::Click(*button);
    } else {
      UserInput::Key(form_, forms::kKeyReturn);
    }
    return;
  }
  if (focused == nullptr) return;
  const int code = key.kind == Key::kCode ? key.value : 0;
  const int ch = key.kind == Key::kChar ? key.value : 0;
  if (box != nullptr) {
    EditKey(*box, code, IsEnter(key) ? '\n' : ch);
  } else if (auto* list = dynamic_cast<forms::ListView*>(focused)) {
    ListKey(*list, code, ch);
  } else if (auto* combo = dynamic_cast<forms::ComboBox*>(focused)) {
    ComboKey(*combo, code, ch);
  } else if (dynamic_cast<forms::OptionButton*>(focused) != nullptr &&
             (code == KEY_UP || code == KEY_DOWN || code == KEY_LEFT || code == KEY_RIGHT)) {
    OptionArrow(*focused, code == KEY_UP || code == KEY_LEFT ? -1 : 1);
  } else if (ch == ' ') {
    UserInput::Click(*focused);
  } else if (code == KEY_DOWN || code == KEY_RIGHT) {
    Move(1);
  } else if (code == KEY_UP || code == KEY_LEFT) {
    Move(-1);
  }
}

void FormView::ListKey(forms::ListView& list, int code, int ch) {
  ListState& state = states_.Of(list);
  const int32_t count = list.ListItems().Count();
  if (count == 0) return;
  const int32_t page = std::max(1, painter_.Geometry().Of(list).rows - 1);
  if (form_.ActiveControl() != &list) UserInput::Focus(list);
  switch (code) {
    case KEY_UP:
      state.cursor = std::max(1, state.cursor - 1);
      return;
    case KEY_DOWN:
      state.cursor = std::min(count, state.cursor + 1);
      return;
    case KEY_PPAGE:
      state.cursor = std::max(1, state.cursor - page);
      return;
    case KEY_NPAGE:
      state.cursor = std::min(count, state.cursor + page);
      return;
    case KEY_HOME:
      state.cursor = 1;
      return;
    case KEY_END:
      state.cursor = count;
      return;
    default:
      break;
  }
  if (ch == ' ' && list.Checkboxes() && state.cursor <= count) {
    const bool checked = list.ListItems().Item(state.cursor).Checked();
    UserInput::Tick(list, state.cursor, !checked);
  }
}

void FormView::ComboKey(forms::ComboBox& combo, int code, int ch) {
  const int16_t count = combo.ListCount();
  if (code == KEY_UP && combo.ListIndex() > 0) {
    UserInput::Choose(combo, static_cast<int16_t>(combo.ListIndex() - 1));
  } else if (code == KEY_DOWN && combo.ListIndex() + 1 < count) {
    UserInput::Choose(combo, static_cast<int16_t>(combo.ListIndex() + 1));
  } else if (ch == ' ' || code == KEY_F(4)) {
    DropDown(combo);
  }
}

void FormView::OptionArrow(forms::Control& option, int step) {
  std::vector<forms::Control*> group;
  for (forms::Control* sibling : TabChain(form_)) {
    if (dynamic_cast<forms::OptionButton*>(sibling) != nullptr &&
        sibling->Container() == option.Container()) {
      group.push_back(sibling);
    }
  }
  const auto at = std::find(group.begin(), group.end(), &option);
  if (at == group.end() || group.size() < 2) return;
  const auto index = static_cast<size_t>(at - group.begin());
  UserInput::Click(*group[(index + group.size() + static_cast<size_t>(step)) % group.size()]);
}

void FormView::EditKey(forms::TextBox& box, int code, int ch) {
  EditState& state = states_.Of(box);
  TextEdit edit(box.Text(), box.MultiLine(), state.line, state.column);
  const int rows = box.MultiLine() ? std::max(1, painter_.Geometry().Of(box).rows - 1) : 1;
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
      edit.Up(rows);
      break;
    case KEY_NPAGE:
      edit.Down(rows);
      break;
    case KEY_HOME:
      edit.Home();
      break;
    case KEY_END:
      edit.End();
      break;
    case KEY_BACKSPACE:
      changed = !box.Locked() && edit.Backspace();
      break;
    case KEY_DC:
      changed = !box.Locked() && edit.Delete();
      break;
    default:
      if (ch == kBackspace || ch == 8) {
        changed = !box.Locked() && edit.Backspace();
      } else if (ch == '\n') {
        changed = !box.Locked() && edit.Insert("\n");
      } else if (ch >= 32 && !box.Locked()) {
        changed = edit.Insert(EncodeUtf8(static_cast<char32_t>(ch)));
      }
  }
  if (form_.ActiveControl() != &box) UserInput::Focus(box);
  if (changed) UserInput::Type(box, edit.Text());
  // The runtime may have refused or changed the text; the caret stays within what it holds.
  state.line = edit.Line();
  state.column = edit.Column();
}

// --- Mouse ------------------------------------------------------------------------------------

void FormView::Click(int row, int col) {
  const std::vector<forms::Control*>& controls = form_.Controls();
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    forms::Control& control = **it;
    if (control.IsContainer() || !IsOnScreen(control) || !control.IsReachable()) continue;
    const CellRect at = painter_.Geometry().Of(control);
    CellRect hit = at;
    if (dynamic_cast<forms::TextBox*>(&control) == nullptr &&
        dynamic_cast<forms::ListView*>(&control) == nullptr) {
      hit.rows = 1;
    }
    if (!hit.Contains(row, col)) continue;
    if (auto* list = dynamic_cast<forms::ListView*>(&control)) {
      ListState& state = states_.Of(*list);
      const int header = !list->HideColumnHeaders() && list->ColumnHeaders().Count() > 0 ? 1 : 0;
      const int32_t index = state.top + (row - at.row - header);
      UserInput::Focus(*list);
      if (index >= 1 && index <= list->ListItems().Count() && row - at.row >= header) {
        state.cursor = index;
        if (list->Checkboxes() && col < at.col + 3) {
          UserInput::Tick(*list, index, !list->ListItems().Item(index).Checked());
        }
      }
    } else if (auto* box = dynamic_cast<forms::TextBox*>(&control)) {
      UserInput::Focus(*box);
      if (box->MultiLine()) {
        EditState& state = states_.Of(*box);
        state.line = state.top + static_cast<size_t>(row - at.row);
        state.column = 0;
      }
    } else if (auto* combo = dynamic_cast<forms::ComboBox*>(&control)) {
      UserInput::Focus(*combo);
      DropDown(*combo);
    } else if (control.CanHaveFocus() || dynamic_cast<forms::Label*>(&control) == nullptr) {
      UserInput::Click(control);
    }
    return;
  }
}

void FormView::Wheel(int row, int col, int step) {
  for (forms::Control* control : form_.Controls()) {
    auto* list = dynamic_cast<forms::ListView*>(control);
    if (list == nullptr || !IsOnScreen(*list) || !painter_.Geometry().Of(*list).Contains(row, col))
      continue;
    ListState& state = states_.Of(*list);
    const int32_t count = list->ListItems().Count();
    state.cursor = std::clamp(state.cursor + step, 1, std::max(1, count));
    return;
  }
}

// --- The drop-down list of a combo box ---------------------------------------------------------

void FormView::DropDown(forms::ComboBox& combo) {
  const int16_t count = combo.ListCount();
  if (count == 0) return;
  const CellRect at = painter_.Geometry().Of(combo);
  int chosen = std::max<int>(0, combo.ListIndex());
  int top = 0;
  for (;;) {
    painter_.Draw();
    const int shown = std::min<int>(count, std::max(1, LINES - at.row - 3));
    int row = at.row + 1;
    if (row + shown + 2 > LINES) row = std::max(0, at.row - shown - 2);
    if (chosen < top) top = chosen;
    if (chosen >= top + shown) top = chosen - shown + 1;
    screen_.Box(row, at.col, shown + 2, at.cols, Role::kFrame);
    for (int i = 0; i < shown; ++i) {
      const int index = top + i;
      screen_.Text(row + 1 + i, at.col + 1,
                   index < count ? combo.List(static_cast<int16_t>(index)) : "", at.cols - 2,
                   index == chosen ? Role::kFocus : Role::kField);
    }
    curs_set(0);
    refresh();
    const Key key = screen_.Read(250);
    if (key.kind == Key::kEnd) return;
    if (key.kind == Key::kNone) continue;
    if (key.kind == Key::kCode && key.value == KEY_MOUSE) {
      MEVENT event{};
      if (getmouse(&event) != OK) continue;
      if (event.y > row && event.y <= row + shown && event.x > at.col &&
          event.x < at.col + at.cols - 1) {
        UserInput::Choose(combo, static_cast<int16_t>(top + event.y - row - 1));
      }
      return;
    }
    if (IsEnter(key) || (key.kind == Key::kChar && key.value == ' ')) {
      UserInput::Choose(combo, static_cast<int16_t>(chosen));
      return;
    }
    if (key.kind == Key::kChar && (key.value == 27 || key.value == kTab)) return;
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
