// One control of a shown form and the Qt widget that shows it (private to the window renderer).
// A binding per control type makes its widget once, shows the runtime's values in it and feeds
// a person's actions on it back through UserInput; MakeBinding picks the binding from the
// control's type when the widget is made. The form window owns the bindings; the widget belongs
// to its parent widget.
#pragma once

#include <memory>

class QWidget;

namespace lumora::forms {

class Control;
class FormWindow;

class ControlBinding {
 public:
  ControlBinding(FormWindow& window, Control& control) : window_(window), control_(control) {}
  virtual ~ControlBinding() = default;
  ControlBinding(const ControlBinding&) = delete;
  ControlBinding& operator=(const ControlBinding&) = delete;

  // Makes the widget under `parent`.
  QWidget* Make(QWidget* parent);
  // Connects the widget's signals to the runtime: a person's actions become UserInput calls.
  virtual void Connect() {}
  QWidget* Widget() const { return widget_; }

  // Shows every property of the control.
  void ApplyAll();
  // Position, size and visibility; a control lying wholly outside its container is hidden.
  virtual void ApplyGeometry();
  // Whether ApplyGeometry shows the widget: the control is visible and inside its container.
  bool Shown() const;
  void ApplyFont();
  virtual void ApplyCaption() {}
  virtual void ApplyText() {}
  virtual void ApplyValue() {}
  virtual void ApplyPicture() {}
  virtual void ApplyListIndex() {}
  // The entries (and a list view's columns).
  virtual void ApplyItems() {}
  // The look the control's style properties give (Default, Locked, ScrollBars...).
  virtual void ApplyStyle() {}
  // Once the window has settled after a change of its layout (a page shown).
  virtual void Settle() {}
  // Whether the widget takes Enter for itself (a new line) rather than handing it to the form.
  virtual bool KeepsEnter() const { return false; }

 protected:
  virtual QWidget* Create(QWidget* parent) = 0;
  // Whether the widget takes the keyboard focus (containers, labels and pictures do not).
  virtual bool TakesFocus() const { return true; }

  FormWindow& window_;
  Control& control_;

 private:
  bool IsOffContainer() const;

  QWidget* widget_ = nullptr;
};

// The binding for `control`'s type, or null for a control without a shape (a component).
std::unique_ptr<ControlBinding> MakeBinding(FormWindow& window, Control& control);

}  // namespace lumora::forms
