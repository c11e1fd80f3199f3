#include "platform/qt/Accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

#include "platform/qt/ClassicValues.h"

namespace lumora::forms::accessibility {
namespace {

constexpr const char* kKind = "lumoraAccessibleKind";
constexpr int kOptionButton = 1;
constexpr int kDecoration = 2;
constexpr int kDialog = 3;

// An option button: Qt names a checkable button that is not auto-exclusive a check box; the
// runtime clears the group itself, so the button is a radio button all the same. Pressing it is a
// click, which the binding feeds to the runtime as a person's click.
class OptionButtonAccessible : public QAccessibleWidget {
 public:
  explicit OptionButtonAccessible(QWidget* widget)
      : QAccessibleWidget(widget, QAccessible::RadioButton) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
      return LabelText(Button().text().toStdString());
    }
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = Button().isChecked();
    return state;
  }
  QStringList actionNames() const override {
    return QStringList(pressAction()) + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == pressAction()) {
      Button().click();
    } else {
      QAccessibleWidget::doAction(action);
    }
  }
  QStringList keyBindingsForAction(const QString& action) const override {
    if (action != pressAction()) return QAccessibleWidget::keyBindingsForAction(action);
    const QKeySequence shortcut = QKeySequence::mnemonic(Button().text());
    return shortcut.isEmpty() ? QStringList() : QStringList(shortcut.toString());
  }

 private:
  QAbstractButton& Button() const { return static_cast<QAbstractButton&>(*widget()); }
};

// Artwork: an image with no name and no description.
class DecorationAccessible : public QAccessibleWidget {
 public:
  explicit DecorationAccessible(QWidget* widget)
      : QAccessibleWidget(widget, QAccessible::Graphic) {}
  QString text(QAccessible::Text) const override { return {}; }
  int childCount() const override { return 0; }
  QAccessibleInterface* child(int) const override { return nullptr; }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (object == nullptr || !object->isWidgetType()) return nullptr;
  auto* widget = static_cast<QWidget*>(object);
  switch (object->property(kKind).toInt()) {
    case kOptionButton:
      return new OptionButtonAccessible(widget);
    case kDecoration:
      return new DecorationAccessible(widget);
    case kDialog:  // a top-level window of our own that is not a QDialog
      return new QAccessibleWidget(widget, QAccessible::Dialog);
    default:
      return nullptr;
  }
}

void Mark(QWidget& widget, int kind) {
  // Qt asks the factories installed last first, so this one comes after Qt's own (installed with
  // the application); installing it again is a no-op.
  QAccessible::installFactory(Factory);
  widget.setProperty(kKind, kind);
}

}  // namespace

void MarkOptionButton(QWidget& button) {
  Mark(button, kOptionButton);
}

void MarkDecoration(QWidget& widget) {
  Mark(widget, kDecoration);
}

bool Listening() {
  return QAccessible::isActive();
}

void MarkDialog(QWidget& window) {
  Mark(window, kDialog);
}

void AnnounceNameChange(QWidget& window) {
  if (!QAccessible::isActive()) return;
  QAccessibleEvent event(&window, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

void AnnounceCheckChange(QAbstractItemView& view, int row) {
  if (!QAccessible::isActive()) return;
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&view);
  QAccessibleTableInterface* table = list != nullptr ? list->tableInterface() : nullptr;
  QAccessibleInterface* cell = table != nullptr ? table->cellAt(row, 0) : nullptr;
  if (cell == nullptr) return;
  QAccessible::State changed;
  changed.checked = true;
  QAccessibleStateChangeEvent event(cell, changed);
  QAccessible::updateAccessibility(&event);
}

void AnnounceValueChange(QWidget& widget, const QString& value) {
  if (!QAccessible::isActive()) return;
  QAccessibleValueChangeEvent event(&widget, value);
  QAccessible::updateAccessibility(&event);
}

}  // namespace lumora::forms::accessibility
