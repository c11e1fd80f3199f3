// What a renderer sees of a form: every property change, every change of a control's entries
// (list items, column headers, combo entries), focus moves, and the form being shown and
// unloaded. Notifications come synchronously, after the change, on the one thread everything
// runs on; an observer reads the new state from the controls and must not change them.
#pragma once

namespace lumora::forms {

class Control;
class Form;
enum class Property;

class FormObserver {
 public:
  virtual ~FormObserver() = default;
  // `control` may be the form itself (Caption, Left, KeyPreview, ...).
  virtual void PropertyChanged(Control& /*control*/, Property /*property*/) {}
  // Entries of a list view, combo box or image list were added, removed, cleared or changed.
  virtual void ItemsChanged(Control& /*control*/) {}
  virtual void FocusChanged(Form& /*form*/, Control* /*previous*/, Control* /*current*/) {}
  virtual void FormShown(Form& /*form*/) {}
  virtual void FormUnloaded(Form& /*form*/) {}
};

}  // namespace lumora::forms
