#include "platform/terminal/FormView.h"

#include <curses.h>

#include <algorithm>
#include <cctype>

#include "platform/forms/Form.h"
#include "platform/forms/Property.h"
#include "platform/forms/UserInput.h"
#include "platform/terminal/Focus.h"

namespace lumora::terminal {
namespace {

using forms::UserInput;

constexpr int kEnter = 13;
constexpr int kTab = 9;

bool IsEnter(const Key& key) {
  return (key.kind == Key::kChar && (key.value == kEnter || key.value == '\n')) ||
         (key.kind == Key::kCode && key.value == KEY_ENTER);
}

}  // namespace

FormView::FormView(forms::Form& form, Screen& screen)
    : form_(form),
      screen_(screen),
      context_{form, screen, CellGeometry(1, 1, 1, 1, 0, 0), [this] { painter_.Draw(); }},
      views_(context_),
      painter_(context_, views_) {
  form_.AddObserver(this);
}

FormView::~FormView() {
  form_.RemoveObserver(this);
}

void FormView::FormUnloaded(forms::Form&) {
  unloaded_ = true;
}

void FormView::ItemsChanged(forms::Control& control) {
  if (ControlView* view = views_.Of(control)) view->ItemsChanged();
}

void FormView::PropertyChanged(forms::Control& control, forms::Property property) {
  if (property != forms::Property::Text || &control == &form_) return;
  if (ControlView* view = views_.Of(control)) view->TextSet();
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
  ControlView* view = focused != nullptr ? views_.Of(*focused) : nullptr;
  // The focus a person sees is the runtime's before a key acts on it.
  if (focused != nullptr && form_.ActiveControl() != focused) UserInput::Focus(*focused);
  if (IsEnter(key) && !(view != nullptr && view->KeepsEnter())) {
    UserInput::Key(form_, forms::kKeyReturn);
    return;
  }
  const int code = key.kind == Key::kCode ? key.value : 0;
  const int ch = key.kind == Key::kChar ? key.value : 0;
  if (view != nullptr && view->Key(code, ch)) return;
  if (code == KEY_DOWN || code == KEY_RIGHT) {
    Move(1);
  } else if (code == KEY_UP || code == KEY_LEFT) {
    Move(-1);
  }
}

// --- Mouse ------------------------------------------------------------------------------------

void FormView::Click(int row, int col) {
  const std::vector<forms::Control*>& controls = form_.Controls();
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    forms::Control& control = **it;
    if (control.IsContainer() || !IsOnScreen(control) || !control.IsReachable()) continue;
    ControlView* view = views_.Of(control);
    if (view == nullptr || !view->HitArea(painter_.Geometry().Of(control)).Contains(row, col))
      continue;
    view->Click(row, col);
    return;
  }
}

void FormView::Wheel(int row, int col, int step) {
  for (forms::Control* control : form_.Controls()) {
    if (!IsOnScreen(*control) || !painter_.Geometry().Of(*control).Contains(row, col)) continue;
    ControlView* view = views_.Of(*control);
    if (view != nullptr && view->Wheel(step)) return;
  }
}

}  // namespace lumora::terminal
