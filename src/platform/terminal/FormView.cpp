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

FormView::FormView(forms::Form& form, Screen& screen)
    : form_(form), screen_(screen), geometry_(1, 1, 1, 1, 0, 0) {
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
    ListState& state = StateOf(*list);
    const int32_t count = list->ListItems().Count();
    state.cursor = std::clamp(state.cursor, 1, std::max(1, count));
    state.top = std::clamp(state.top, 1, std::max(1, count));
  }
}

void FormView::Run() {
  while (!unloaded_ && form_.IsLoaded()) {
    Draw();
    refresh();
    if (!shownOnce_) {
      shownOnce_ = true;
      if (onFirstScreen) onFirstScreen();
    }
    const Key key = screen_.Read(250);
    if (key.kind == Key::kEnd) {
      form_.Unload(forms::kAppWindows);
      return;
    }
    if (key.kind != Key::kNone) Handle(key);
  }
}

// --- Drawing ----------------------------------------------------------------------------------

void FormView::Draw() {
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

void FormView::PlaceCaret() {
  if (caretRow_ < 0) return;
  curs_set(1);
  move(caretRow_, caretCol_);
}

void FormView::DrawCaption(const std::string& caption, int row, int col, int cells, Role role) {
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

void FormView::DrawControl(forms::Control& control) {
  const CellRect at = geometry_.Of(control);
  const bool focused = Focused() == &control;
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

void FormView::DrawButton(forms::CommandButton& button, const CellRect& at, bool focused,
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

FormView::ListState& FormView::StateOf(const forms::ListView& list) {
  return lists_[&list];
}
FormView::EditState& FormView::StateOf(const forms::TextBox& box) {
  return edits_[&box];
}

void FormView::DrawList(forms::ListView& list, const CellRect& at, bool focused) {
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
  ListState& state = StateOf(list);
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

void FormView::DrawText(forms::TextBox& box, const CellRect& at, bool focused) {
  const bool unicode = screen_.Unicode();
  // The focused box in reverse video, so that it shows without colour too.
  const Role role = !Enabled(box)                 ? Role::kDisabled
                    : focused && !box.MultiLine() ? Role::kFocus
                                                  : Role::kField;
  EditState& state = StateOf(box);
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

// --- Focus ------------------------------------------------------------------------------------

std::vector<forms::Control*> FormView::TabChain(bool withLabels) const {
  std::vector<forms::Control*> chain;
  std::function<void(const std::vector<forms::Control*>&)> walk =
      [&](const std::vector<forms::Control*>& level) {
        std::vector<forms::Control*> sorted = level;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const forms::Control* a, const forms::Control* b) {
                           return a->TabIndex() < b->TabIndex();
                         });
        for (forms::Control* control : sorted) {
          if (!IsOnScreen(*control)) continue;
          if (control->IsContainer()) {
            walk(control->Children());
          } else if (control->CanHaveFocus() && control->IsReachable()) {
            chain.push_back(control);
          } else if (withLabels && dynamic_cast<forms::Label*>(control) != nullptr) {
            chain.push_back(control);
          }
        }
      };
  walk(form_.Children());
  return chain;
}

forms::Control* FormView::Focused() const {
  forms::Control* active = form_.ActiveControl();
  if (active != nullptr && IsOnScreen(*active) && active->IsReachable()) return active;
  const std::vector<forms::Control*> chain = TabChain();
  return chain.empty() ? nullptr : chain.front();
}

void FormView::Move(int step) {
  const std::vector<forms::Control*> chain = TabChain();
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
  const std::vector<forms::Control*> chain = TabChain(true);
  for (size_t i = 0; i < chain.size(); ++i) {
    forms::Control* control = chain[i];
    std::string caption;
    try {
      caption = control->Caption();
    } catch (...) {
      continue;  // a control without a caption
    }
    if (ParseMnemonic(caption).letter != letter) continue;
    if (dynamic_cast<forms::Label*>(control) != nullptr) {
      for (size_t j = i + 1; j < chain.size(); ++j) {
        if (dynamic_cast<forms::Label*>(chain[j]) == nullptr) {
          UserInput::Focus(*chain[j]);
          return true;
        }
      }
      return false;
    }
    UserInput::Click(*control);
    return true;
  }
  return false;
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
  forms::Control* focused = Focused();
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
  ListState& state = StateOf(list);
  const int32_t count = list.ListItems().Count();
  if (count == 0) return;
  const int32_t page = std::max(1, geometry_.Of(list).rows - 1);
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
  for (forms::Control* sibling : TabChain()) {
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
  EditState& state = StateOf(box);
  TextEdit edit(box.Text(), box.MultiLine(), state.line, state.column);
  const int rows = box.MultiLine() ? std::max(1, geometry_.Of(box).rows - 1) : 1;
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
    const CellRect at = geometry_.Of(control);
    CellRect hit = at;
    if (dynamic_cast<forms::TextBox*>(&control) == nullptr &&
        dynamic_cast<forms::ListView*>(&control) == nullptr) {
      hit.rows = 1;
    }
    if (!hit.Contains(row, col)) continue;
    if (auto* list = dynamic_cast<forms::ListView*>(&control)) {
      ListState& state = StateOf(*list);
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
        EditState& state = StateOf(*box);
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
    if (list == nullptr || !IsOnScreen(*list) || !geometry_.Of(*list).Contains(row, col)) continue;
    ListState& state = StateOf(*list);
    const int32_t count = list->ListItems().Count();
    state.cursor = std::clamp(state.cursor + step, 1, std::max(1, count));
    return;
  }
}

// --- The drop-down list of a combo box ---------------------------------------------------------

void FormView::DropDown(forms::ComboBox& combo) {
  const int16_t count = combo.ListCount();
  if (count == 0) return;
  const CellRect at = geometry_.Of(combo);
  int chosen = std::max<int>(0, combo.ListIndex());
  int top = 0;
  for (;;) {
    Draw();
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
