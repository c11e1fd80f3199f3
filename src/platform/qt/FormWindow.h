// The Qt side of one shown form (private to the window renderer): the dialog, one widget per
// control, and the two directions between them. Runtime -> widgets: FormObserver calls update
// the widgets, with the widgets' own signals blocked so nothing echoes back. Widgets -> runtime:
// a person's clicks, ticks, choices, typing, focus moves and keys become UserInput calls, never
// direct property sets. Positions are twips scaled by the screen's logical DPI.
#pragma once

#include <QDialog>
#include <QPointer>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/forms/FormObserver.h"

class QTreeWidget;
class QWidget;

namespace lumora::forms {

class Control;
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

  // FormObserver
  void PropertyChanged(Control& control, Property property) override;
  void ItemsChanged(Control& control) override;
  void FocusChanged(Form& form, Control* previous, Control* current) override;
  void FormUnloaded(Form& form) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Mirror {  // what a list view or combo box shows, to update only what changed
    std::vector<std::string> texts;
    std::vector<bool> checks;
  };

  // Makes the widgets of the controls in `container`, and of those in the containers among them
  // that are shown; a container not shown gets its controls' widgets when it is first shown.
  void Build(Control& container, QWidget* parent);
  void BuildWhenShown(Control& container);
  QWidget* CreateWidget(Control& control, QWidget* parent);
  void Connect(Control& control, QWidget* widget);
  void ApplyAll(Control& control);
  void ApplyGeometry(Control& control);
  void ApplyCaption(Control& control);
  void ApplyText(Control& control);
  void ApplyValue(Control& control);
  void ApplyFont(Control& control);
  void ApplyPicture(Control& control);
  void ApplyZOrder(const Control* container);
  void ApplyListIndex(Control& control);
  void ApplyListView(Control& control);
  void ApplyEntries(Control& control);
  // Fills the list views that were waiting for their page to be shown and now are.
  void ApplyShownEntries();
  void ApplyFormGeometry();
  // A list view drawn to fit: a horizontal scroll bar only for an entry wider than the list,
  // and whole rows; ScheduleFit fits it once the current changes have settled.
  void FitList(const Control& control, QTreeWidget& tree);
  void ScheduleFit(const Control& control, QTreeWidget& tree);
  void ApplyTabOrder();
  bool IsOffContainer(const Control& control) const;
  // A person's focus move in the window, fed to the runtime.
  void OnQtFocus(QWidget* now);
  Control* ControlOf(QWidget* widget) const;
  // Runs a person's action (a UserInput call); afterwards `control` is shown from the runtime
  // again in case the runtime refused the action.
  template <class Action>
  void Feed(Control& control, Action&& action);

  Form& form_;
  QPointer<QDialog> dialog_;
  std::unordered_map<const Control*, QWidget*> widgets_;
  std::unordered_map<const QWidget*, Control*> controls_;
  std::unordered_map<const Control*, Mirror> mirrors_;
  // Containers not shown yet (the wizard's other pages), whose controls have no widgets yet.
  std::unordered_set<Control*> unbuilt_;
  // List views on pages not shown: their entries are put in when the page is shown.
  std::unordered_set<Control*> unshownEntries_;
  double dpi_ = 96;
  int updating_ = 0;  // > 0 while the window follows the runtime
  int feeding_ = 0;   // > 0 while a person's action runs in the runtime
  bool closing_ = false;
  bool painted_ = false;
};

}  // namespace lumora::forms
