#include "platform/qt/TextBindings.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <string_view>

#include "platform/forms/UserInput.h"
#include "platform/qt/Accessibility.h"
#include "platform/qt/ClassicValues.h"
#include "platform/qt/FormWindow.h"

namespace lumora::forms {

QWidget* LineTextBinding::Create(QWidget* parent) {
  qt_ = new QLineEdit(parent);
  return qt_;
}

void LineTextBinding::Connect() {
  QObject::connect(qt_, &QLineEdit::textEdited, &window_, [this](const QString& text) {
    window_.Feed(box_, [&] { UserInput::Type(box_, text.toStdString()); });
  });
}

void LineTextBinding::ApplyText() {
  const QSignalBlocker block(qt_);
  const QString text = Q(box_.Text());
  if (qt_->text() != text) qt_->setText(text);
}

void LineTextBinding::ApplyStyle() {
  qt_->setReadOnly(box_.Locked());
}

QWidget* MultiLineTextBinding::Create(QWidget* parent) {
  qt_ = new QPlainTextEdit(parent);
  qt_->setTabChangesFocus(true);
  return qt_;
}

void MultiLineTextBinding::Connect() {
  QObject::connect(qt_, &QPlainTextEdit::textChanged, &window_, [this] {
    const std::string text = ToCrLf(qt_->toPlainText());
    if (text == box_.Text()) return;
    window_.Feed(box_, [&] { UserInput::Type(box_, text); });
  });
}

void MultiLineTextBinding::ApplyText() {
  const QSignalBlocker block(qt_);
  const QString text = FromCrLf(box_.Text());
  if (qt_->toPlainText() != text) qt_->setPlainText(text);
}

void MultiLineTextBinding::ApplyStyle() {
  qt_->setReadOnly(box_.Locked());
  const bool horizontal =
      box_.ScrollBars() == kScrollHorizontal || box_.ScrollBars() == kScrollBoth;
  const bool vertical = box_.ScrollBars() == kScrollVertical || box_.ScrollBars() == kScrollBoth;
  qt_->setLineWrapMode(horizontal ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
  qt_->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  qt_->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

namespace {

// Whether `label` lies exactly behind another label of the same caption (a mark drawn twice for
// an embossed look): later siblings are in front of earlier ones of the same stacking position.
bool IsEmbossing(const Label& label) {
  if (label.Container() == nullptr) return false;
  bool later = false;
  for (const Control* other : label.Container()->Children()) {
    if (other == &label) {
      later = true;
      continue;
    }
    const bool inFront = other->ZPosition() > label.ZPosition() ||
                         (other->ZPosition() == label.ZPosition() && later);
    if (inFront && std::string_view(other->TypeName()) == "Label" &&
        other->Caption() == label.Caption() && other->Left() == label.Left() &&
        other->Top() == label.Top()) {
      return true;
    }
  }
  return false;
}

}  // namespace

QWidget* LabelBinding::Create(QWidget* parent) {
  qt_ = new QLabel(parent);
  // The copy behind is drawn, not read. (Marked before the label has a text: Qt makes the label's
  // accessible interface when its text is first set.)
  if (IsEmbossing(label_)) accessibility::MarkDecoration(*qt_);
  qt_->setTextFormat(Qt::PlainText);
  qt_->setWordWrap(label_.WordWrap());
  qt_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return qt_;
}

void LabelBinding::ApplyCaption() {
  qt_->setText(LabelText(label_.Caption()));
}

}  // namespace lumora::forms
