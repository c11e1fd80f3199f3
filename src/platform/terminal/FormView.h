// One form shown in the terminal (private to the terminal renderer): its loop, which has the
// painter draw the form at every turn and turns keys and mouse clicks into UserInput calls,
// never into property sets, so handlers see the events in the order the window gives them.
// Tab, Shift-Tab, mnemonics, F1, Escape and Enter are the form's; other keys go to the focused
// control's view.
#pragma once

#include "platform/forms/FormObserver.h"
#include "platform/terminal/ControlView.h"
#include "platform/terminal/FormPainter.h"
#include "platform/terminal/Screen.h"

namespace lumora::terminal {

class FormView : public forms::FormObserver {
 public:
  FormView(forms::Form& form, Screen& screen);
  ~FormView() override;
  FormView(const FormView&) = delete;
  FormView& operator=(const FormView&) = delete;

  // Runs until the form is unloaded or the session ends (a signal, the terminal gone).
  void Run();
  // Draws the form (or the size message) without showing it yet.
  void Draw() { painter_.Draw(); }

  void FormUnloaded(forms::Form& form) override;
  void ItemsChanged(forms::Control& control) override;
  void PropertyChanged(forms::Control& control, forms::Property property) override;

 private:
  void Handle(const Key& key);
  bool PressMnemonic(char letter);
  void Move(int step);  // Tab (1) and Shift-Tab (-1)
  void Click(int row, int col);
  void Wheel(int row, int col, int step);

  forms::Form& form_;
  Screen& screen_;
  ViewContext context_;
  ControlViews views_;
  FormPainter painter_;
  bool unloaded_ = false;
};

}  // namespace lumora::terminal
