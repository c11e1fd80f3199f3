// The bindings of the text controls (private to the window renderer): a one-line text box, a
// multi-line one (the editor holds LF line ends, the runtime CR LF) and a label. A person's
// typing is fed to the runtime as the box's whole new text.
#pragma once

#include "platform/forms/Label.h"
#include "platform/forms/TextBox.h"
#include "platform/qt/ControlBinding.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace lumora::forms {

class LineTextBinding : public ControlBinding {
 public:
  LineTextBinding(FormWindow& window, TextBox& box) : ControlBinding(window, box), box_(box) {}
  void Connect() override;
  void ApplyText() override;
  void ApplyStyle() override;

 protected:
  QWidget* Create(QWidget* parent) override;

 private:
  TextBox& box_;
  QLineEdit* qt_ = nullptr;
};

class MultiLineTextBinding : public ControlBinding {
 public:
  MultiLineTextBinding(FormWindow& window, TextBox& box) : ControlBinding(window, box), box_(box) {}
  void Connect() override;
  void ApplyText() override;
  // Read-only when Locked; the scroll bars ScrollBars asks for, and lines wrapped at the
  // box's width unless a horizontal bar is asked for.
  void ApplyStyle() override;
  bool KeepsEnter() const override { return true; }

 protected:
  QWidget* Create(QWidget* parent) override;

 private:
  TextBox& box_;
  QPlainTextEdit* qt_ = nullptr;
};

class LabelBinding : public ControlBinding {
 public:
  LabelBinding(FormWindow& window, Label& label) : ControlBinding(window, label), label_(label) {}
  void ApplyCaption() override;

 protected:
  QWidget* Create(QWidget* parent) override;
  bool TakesFocus() const override { return false; }

 private:
  Label& label_;
  QLabel* qt_ = nullptr;
};

}  // namespace lumora::forms
