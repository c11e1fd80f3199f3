// The bindings of the clickable controls (private to the window renderer): command buttons,
// check boxes and option buttons. Their state is the runtime's alone: a person's click is fed
// to the runtime, which answers with the new value.
#pragma once

#include "platform/forms/CheckBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/OptionButton.h"
#include "platform/qt/ControlBinding.h"

class QAbstractButton;
class QCheckBox;
class QPushButton;
class QRadioButton;

namespace lumora::forms {

// What the three share: the caption ("&Next": Alt+N, as classic captions mean it) and the click.
class ButtonBinding : public ControlBinding {
 public:
  using ControlBinding::ControlBinding;
  void ApplyCaption() override;
  void Connect() override;

 protected:
  QAbstractButton& Button() const;
};

class CommandButtonBinding : public ButtonBinding {
 public:
  CommandButtonBinding(FormWindow& window, CommandButton& button)
      : ButtonBinding(window, button), button_(button) {}
  void ApplyStyle() override;

 protected:
  QWidget* Create(QWidget* parent) override;

 private:
  CommandButton& button_;
  QPushButton* qt_ = nullptr;
};

class CheckBoxBinding : public ButtonBinding {
 public:
  CheckBoxBinding(FormWindow& window, CheckBox& box) : ButtonBinding(window, box), box_(box) {}
  void ApplyValue() override;

 protected:
  QWidget* Create(QWidget* parent) override;

 private:
  CheckBox& box_;
  QCheckBox* qt_ = nullptr;
};

class OptionButtonBinding : public ButtonBinding {
 public:
  OptionButtonBinding(FormWindow& window, OptionButton& option)
      : ButtonBinding(window, option), option_(option) {}
  void ApplyValue() override;

 protected:
  QWidget* Create(QWidget* parent) override;

 private:
  OptionButton& option_;
  QRadioButton* qt_ = nullptr;
};

}  // namespace lumora::forms
