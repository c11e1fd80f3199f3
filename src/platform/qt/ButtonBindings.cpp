#include "platform/qt/ButtonBindings.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "platform/forms/UserInput.h"
#include "platform/qt/Accessibility.h"
#include "platform/qt/ClassicValues.h"
#include "platform/qt/FormWindow.h"

namespace lumora::forms {
namespace {

// Check boxes and option buttons that do not change their own state when clicked.
class RuntimeCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  void nextCheckState() override {}
};

class RuntimeRadioButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  void nextCheckState() override {}
};

}  // namespace

QAbstractButton& ButtonBinding::Button() const {
  return static_cast<QAbstractButton&>(*Widget());
}

void ButtonBinding::ApplyCaption() {
  Button().setText(Q(control_.Caption()));
}

void ButtonBinding::Connect() {
  QObject::connect(&Button(), &QAbstractButton::clicked, &window_,
                   [this] { window_.Feed(control_, [this] { UserInput::Click(control_); }); });
}

QWidget* CommandButtonBinding::Create(QWidget* parent) {
  qt_ = new QPushButton(parent);
  qt_->setAutoDefault(false);  // Enter reaches the form, which clicks the focused button
  return qt_;
}

void CommandButtonBinding::ApplyStyle() {
  qt_->setDefault(button_.Default());
}

QWidget* CheckBoxBinding::Create(QWidget* parent) {
  qt_ = new RuntimeCheckBox(parent);
  return qt_;
}

void CheckBoxBinding::ApplyValue() {
  const QSignalBlocker block(qt_);
  qt_->setTristate(box_.Value() == kGrayed);
  qt_->setCheckState(box_.Value() == kChecked  ? Qt::Checked
                     : box_.Value() == kGrayed ? Qt::PartiallyChecked
                                               : Qt::Unchecked);
}

QWidget* OptionButtonBinding::Create(QWidget* parent) {
  qt_ = new RuntimeRadioButton(parent);
  qt_->setAutoExclusive(false);  // the runtime clears the group
  accessibility::MarkOptionButton(*qt_);
  return qt_;
}

void OptionButtonBinding::ApplyValue() {
  const QSignalBlocker block(qt_);
  qt_->setChecked(option_.Value());
}

}  // namespace lumora::forms
