// How the terminal shows one control and takes a person's keys and clicks on it (private to the
// terminal renderer). A view per control type, picked once from the control's type name when
// the control is first shown (MakeView), keeps what the runtime has no property for (a list's
// cursor, a caret, how far it is scrolled) and feeds every action back through UserInput. The
// form view owns the views; each refers to its control and to the form's shared ViewContext.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/terminal/CellGeometry.h"
#include "platform/terminal/Screen.h"

namespace lumora::forms {
class Control;
class Form;
}  // namespace lumora::forms

namespace lumora::terminal {

// What every view of a form shares: the form, the screen, where the controls were drawn last
// (the painter keeps it), and a way to draw the whole form again (a drop-down list opens over
// it).
struct ViewContext {
  forms::Form& form;
  Screen& screen;
  CellGeometry geometry{1, 1, 1, 1, 0, 0};
  std::function<void()> redraw;
};

// A cell of the screen; row -1: none.
struct Cell {
  int row = -1, col = -1;
};

class ControlView {
 public:
  ControlView(forms::Control& control, ViewContext& context)
      : control_(control), context_(context) {}
  virtual ~ControlView() = default;
  ControlView(const ControlView&) = delete;
  ControlView& operator=(const ControlView&) = delete;

  // Draws the control in `at`; returns where the cursor goes while it has the focus: its first
  // cell (the "[" of a row, the "(" of an option, the "<" of a button), or a text box's caret.
  virtual Cell Draw(const CellRect& at, bool focused, bool enabled) = 0;
  // A key pressed while it has the focus: a curses key code or a character (the other 0).
  // Whether it took the key; the form view acts on those it did not take.
  virtual bool Key(int /*code*/, int /*ch*/) { return false; }
  // Whether it takes Enter itself (a new line) instead of handing it to the form.
  virtual bool KeepsEnter() const { return false; }
  // The cells a click reaches of a control drawn in `at`: its first row unless it says more.
  virtual CellRect HitArea(const CellRect& at) const;
  // The left button at row, col, within HitArea.
  virtual void Click(int row, int col);
  // The mouse wheel over it; whether it scrolls.
  virtual bool Wheel(int /*step*/) { return false; }
  // The runtime changed the control's entries or its Text.
  virtual void ItemsChanged() {}
  virtual void TextSet() {}

 protected:
  forms::Control& control_;
  ViewContext& context_;
};

// The view for `control`'s type, or null for a control that is never drawn (a component).
std::unique_ptr<ControlView> MakeView(forms::Control& control, ViewContext& context);

// The views of one form's controls, each made when first asked for.
class ControlViews {
 public:
  explicit ControlViews(ViewContext& context) : context_(context) {}
  // The control's view (null: it has none).
  ControlView* Of(forms::Control& control);

 private:
  ViewContext& context_;
  std::unordered_map<const forms::Control*, std::unique_ptr<ControlView>> views_;
};

// A caption with its "&" mnemonic underlined, in `cells` cells.
void DrawCaption(const Screen& screen, const std::string& caption, int row, int col, int cells,
                 Role role);

}  // namespace lumora::terminal
