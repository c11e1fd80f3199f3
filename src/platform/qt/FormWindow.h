// The Qt side of one shown form (private to the window renderer): the dialog, one binding per
// control (ControlBinding.h) and the two directions between them. Runtime -> widgets: FormObserver
// calls reach the control's binding, which updates its widget with the widget's own signals
// blocked so nothing echoes back. Widgets -> runtime: a person's clicks, ticks, choices, typing,
// focus moves and keys become UserInput calls through Feed, never direct property sets. Positions
// are twips scaled by the screen's logical DPI.
#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "platform/forms/FormObserver.h"

class QWidget;

namespace lumora::forms {

class Control;
class ControlBinding;
class Form;

class FormWindow : public QObject, public FormObserver {
 public:
  explicit FormWindow(Form& form);
  ~FormWindow() override;

  QDialog& Dialog() { return *dialog_; }
  Form& GetForm() { return form_; }
  // The widget showing `control`, or null (components have none, and the controls of a page not
  // shown yet have none yet).
  QWidget* WidgetOf(const Control& control) const;
  // Pixels for a length in twips on this window's screen.
  int Px(int32_t twips) const;

  // Runs the dialog modally until the form is unloaded.
  void Exec();
  // Called once the window has painted its first frame.
  std::function<void()> onFirstFrame;

  // Runs a person's action (a UserInput call) unless the window is following the runtime or
  // closing; afterwards `control` is shown from the runtime again in case the runtime refused
  // the action, and the focus goes where the runtime has it.
  void Feed(Control& control, const std::function<void()>& action);
  // Makes the widgets of `container`'s controls if it was waiting to be shown and now is.
  void BuildWhenShown(Control& container);

  // FormObserver
  void PropertyChanged(Control& control, Property property) override;
  void ItemsChanged(Control& control) override;
  void FocusChanged(Form& form, Control* previous, Control* current) override;
  void FormUnloaded(Form& form) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Makes the widgets of the controls in `container`, and of those in the containers among them
  // that are shown; a container not shown gets its controls' widgets when it is first shown.
  void Build(Control& container, QWidget* parent);
  ControlBinding* BindingOf(const Control& control) const;
  void ApplyAll(Control& control);
  void ApplyForm();
  void ApplyFormGeometry();
  void ApplyZOrder(const Control* container);
  void ApplyTabOrder();
  // Names, descriptions and label relations for assistive technology, from the form's layout.
  void ApplyAccessibility();
  // Before `widget` is hidden or disabled: the focus, when inside it, moves out first.
  void MoveFocusOutOf(QWidget& widget);
  // A person's focus move in the window, fed to the runtime.
  void OnQtFocus(QWidget* now);
  Control* ControlOf(QWidget* widget) const;

  Form& form_;
  QPointer<QDialog> dialog_;
  std::unordered_map<const Control*, std::unique_ptr<ControlBinding>> bindings_;
  std::unordered_map<const QWidget*, Control*> controls_;
  // Containers not shown yet (the wizard's other pages), whose controls have no widgets yet.
  std::unordered_set<Control*> unbuilt_;
  double dpi_ = 96;
  bool following_ = false;  // while the window follows the runtime: no widget signal is fed back
  bool closing_ = false;
  bool painted_ = false;
};

}  // namespace lumora::forms
