#include "platform/qt/FormWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <vector>

#include "contract/ProcessState.h"
#include "platform/forms/Form.h"
#include "platform/forms/TabOrder.h"
#include "platform/forms/UserInput.h"
#include "platform/qt/Accessibility.h"
#include "platform/qt/ClassicValues.h"
#include "platform/qt/ControlBinding.h"

namespace lumora::forms {
namespace {

// The window of a form. Escape does not reject it (the key reaches the form through the key
// filter) and its close box asks the form, which may refuse.
class ModalDialog : public QDialog {
 public:
  ModalDialog(const bool& closing, std::function<void()> onCloseBox)
      : closing_(closing), onCloseBox_(std::move(onCloseBox)) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (closing_) return event->accept();
    event->ignore();
    onCloseBox_();
  }
  void reject() override {}

 private:
  const bool& closing_;
  std::function<void()> onCloseBox_;
};

// The application icon: the one installed with the data files, else the desktop theme's (a
// theme is looked up through its index files, a noticeable part of the window's start).
QIcon ApplicationIcon() {
  const std::string& folder = component::ComponentFolder();
  if (!folder.empty()) {
    const QImage image = ReadImage(Q(folder + "/lumora.png"));
    if (!image.isNull()) return QIcon(QPixmap::fromImage(image));
  }
  return QIcon::fromTheme(QStringLiteral("lumora"));
}

// The classic key code of a key the wizard acts on (F1, Escape, Enter), or 0.
int16_t ClassicKey(int key) {
  switch (key) {
    case Qt::Key_F1:
      return kKeyF1;
    case Qt::Key_Escape:
      return kKeyEscape;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyReturn;
    default:
      return 0;
  }
}

}  // namespace

FormWindow::FormWindow(Form& form) : form_(form) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) dpi_ = screen->logicalDotsPerInchX();
  // The host's window, when the host has one, owns the wizard (which then opens centred on it);
  // otherwise the wizard is a window of its own, placed by the window manager and transient for
  // nothing.
  QWidget* host = QApplication::activeWindow();
  dialog_ = new ModalDialog(closing_, [this] { Feed(form_, [&] { UserInput::CloseBox(form_); }); });
  if (host != nullptr) {
    dialog_->setParent(host, Qt::Dialog);
  } else {
    dialog_->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint);
  }
  dialog_->setObjectName(Q(form.Name()));
  dialog_->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  dialog_->setWindowIcon(ApplicationIcon());
  dialog_->setModal(true);
  {
    const QScopedValueRollback following(following_, true);
    Build(form_, dialog_);
    ApplyForm();
    ApplyTabOrder();
    ApplyAccessibility();
  }
  form_.AddObserver(this);
  qApp->installEventFilter(this);
  connect(qApp, &QApplication::focusChanged, this,
          [this](QWidget*, QWidget* now) { OnQtFocus(now); });
}

FormWindow::~FormWindow() {
  form_.RemoveObserver(this);
  qApp->removeEventFilter(this);
  delete dialog_.data();
}

int FormWindow::Px(int32_t twips) const {
  return static_cast<int>(std::lround(static_cast<double>(twips) * dpi_ / 1440.0));
}

ControlBinding* FormWindow::BindingOf(const Control& control) const {
  auto found = bindings_.find(&control);
  return found == bindings_.end() ? nullptr : found->second.get();
}

QWidget* FormWindow::WidgetOf(const Control& control) const {
  ControlBinding* binding = BindingOf(control);
  return binding != nullptr ? binding->Widget() : nullptr;
}

Control* FormWindow::ControlOf(QWidget* widget) const {
  for (QWidget* w = widget; w != nullptr && w != dialog_; w = w->parentWidget()) {
    auto found = controls_.find(w);
    if (found != controls_.end()) return found->second;
  }
  return nullptr;
}

// --- Building -----------------------------------------------------------------------------------

void FormWindow::Build(Control& container, QWidget* parent) {
  for (Control* child : container.Children()) {
    std::unique_ptr<ControlBinding> made = MakeBinding(*this, *child);
    if (made == nullptr) continue;  // components have no shape
    ControlBinding& binding = *made;
    bindings_[child] = std::move(made);
    QWidget* widget = binding.Make(parent);
    widget->setObjectName(Q(child->DisplayName()));
    controls_[widget] = child;
    binding.ApplyAll();
    binding.Connect();
    if (!child->IsContainer()) continue;
    if (widget->isVisibleTo(dialog_.data())) {
      Build(*child, widget);
    } else {
      unbuilt_.insert(child);
    }
  }
  ApplyZOrder(&container == &form_ ? nullptr : &container);
}

void FormWindow::BuildWhenShown(Control& container) {
  QWidget* widget = WidgetOf(container);
  if (!unbuilt_.contains(&container) || !widget->isVisibleTo(dialog_.data())) return;
  unbuilt_.erase(&container);
  Build(container, widget);
  ApplyTabOrder();
  ApplyAccessibility();
  // The runtime may have given the focus to a control of the page before it was shown.
  if (Control* active = form_.ActiveControl()) FocusChanged(form_, nullptr, active);
}

// --- Runtime to window ------------------------------------------------------------------------

void FormWindow::ApplyAll(Control& control) {
  if (&control == &form_) return ApplyForm();
  if (ControlBinding* binding = BindingOf(control)) binding->ApplyAll();
}

void FormWindow::ApplyForm() {
  const QString title = Q(form_.Caption());
  if (dialog_->windowTitle() != title) {
    dialog_->setWindowTitle(title);
    // A new page: Qt tells assistive technology nothing of a title change.
    accessibility::AnnounceNameChange(*dialog_);
  }
  dialog_->setFont(ToQFont(form_.GetFont()));
  dialog_->setEnabled(form_.Enabled());
  ApplyFormGeometry();
}

void FormWindow::ApplyFormGeometry() {
  // The client area is what the form's controls cover; the form's own Width and Height
  // include the window frame that the platform draws.
  int32_t right = 0, bottom = 0;
  for (const Control* child : form_.Children()) {
    if (WidgetOf(*child) == nullptr) continue;
    right = std::max(right, child->Left() + child->Width());
    bottom = std::max(bottom, child->Top() + child->Height());
  }
  if (right <= 0) right = form_.Width();
  if (bottom <= 0) bottom = form_.Height();
  const QSize size(std::max(1, Px(right)), std::max(1, Px(bottom)));
  dialog_->setFixedSize(size);
  // The window manager places the window (a host's window centres it on itself): the form's
  // Left and Top are the runtime's, and a design position would fight the desktop's placement.
}

void FormWindow::ApplyZOrder(const Control* container) {
  std::vector<Control*> siblings = container != nullptr ? container->Children() : form_.Children();
  std::stable_sort(siblings.begin(), siblings.end(), [](const Control* a, const Control* b) {
    return a->ZPosition() < b->ZPosition();
  });
  for (Control* sibling : siblings) {
    if (QWidget* widget = WidgetOf(*sibling)) widget->raise();
  }
}

void FormWindow::ApplyTabOrder() {
  const std::vector<Control*> chain = TabOrder(form_, [this](const Control& control) {
    const QWidget* widget = WidgetOf(control);
    return widget != nullptr && (control.IsContainer() || widget->focusPolicy() != Qt::NoFocus);
  });
  for (size_t i = 1; i < chain.size(); ++i)
    QWidget::setTabOrder(WidgetOf(*chain[i - 1]), WidgetOf(*chain[i]));
}

namespace {

bool IsLabel(const Control& control) {
  return std::string_view(control.TypeName()) == "Label";
}

// The caption that names the page holding `control`: the nearest container's with one.
std::string PageCaption(const Control& control) {
  for (const Control* c = control.Container(); c != nullptr; c = c->Container()) {
    if (std::string_view(c->TypeName()) == "Frame" && !c->Caption().empty()) return c->Caption();
  }
  return {};
}

}  // namespace

void FormWindow::ApplyAccessibility() {
  // What the form's own layout says, told to assistive technology: in each container, taken in
  // tab order, a label names the control that follows it (its buddy, so the control is labelled by
  // it), except a label that comes first, which is the page's instruction and describes each of
  // its controls; a control without a label is named by its page's caption. (Qt names most
  // controls by their buddy label itself, but not a list view, whose name is set here for all.)
  std::function<void(Control&)> walk = [&](Control& container) {
    std::vector<Control*> sorted = container.Children();
    std::stable_sort(sorted.begin(), sorted.end(), [](const Control* a, const Control* b) {
      return a->TabIndex() < b->TabIndex();
    });
    QString instruction;
    for (size_t i = 0; i < sorted.size(); ++i) {
      Control& control = *sorted[i];
      QWidget* widget = WidgetOf(control);
      if (widget == nullptr) continue;
      if (control.IsContainer()) {
        walk(control);
        continue;
      }
      if (IsLabel(control)) {
        if (i == 0) {
          instruction = LabelText(control.Caption());
          continue;
        }
        Control* next = i + 1 < sorted.size() ? sorted[i + 1] : nullptr;
        static_cast<QLabel*>(widget)->setBuddy(
            next != nullptr && next->CanHaveFocus() ? WidgetOf(*next) : nullptr);
        continue;
      }
      if (!control.CanHaveFocus()) continue;
      if (widget->accessibleDescription() != instruction) {
        widget->setAccessibleDescription(instruction);
      }
      if (qobject_cast<QAbstractButton*>(widget) != nullptr) continue;  // named by its caption
      const auto* before = i > 0 ? qobject_cast<QLabel*>(WidgetOf(*sorted[i - 1])) : nullptr;
      const bool labelled = before != nullptr && before->buddy() == widget;
      const QString name = labelled ? LabelText(sorted[i - 1]->Caption()) : Q(PageCaption(control));
      if (widget->accessibleName() != name) widget->setAccessibleName(name);
    }
  };
  walk(form_);
}

void FormWindow::PropertyChanged(Control& control, Property property) {
  if (dialog_.isNull()) return;
  const QScopedValueRollback following(following_, true);
  if (&control == &form_) return ApplyForm();
  ControlBinding* binding = BindingOf(control);
  if (binding == nullptr) return;
  switch (property) {
    case Property::Left:
    case Property::Top:
    case Property::Width:
    case Property::Height:
    case Property::Visible:
      if (!binding->Shown()) MoveFocusOutOf(*binding->Widget());
      binding->ApplyGeometry();
      for (Control* child : control.Children()) {
        if (ControlBinding* inner = BindingOf(*child)) inner->ApplyGeometry();
      }
      if (control.Container() == nullptr) ApplyFormGeometry();
      for (const auto& [shown, each] : bindings_) each->Settle();
      break;
    case Property::Enabled:
      if (!control.Enabled()) MoveFocusOutOf(*binding->Widget());
      binding->Widget()->setEnabled(control.Enabled());
      break;
    case Property::Caption:
      binding->ApplyCaption();
      if (IsLabel(control) || control.IsContainer()) ApplyAccessibility();
      break;
    case Property::Text:
      binding->ApplyText();
      break;
    case Property::Value:
      binding->ApplyValue();
      break;
    case Property::ListIndex:
      binding->ApplyListIndex();
      break;
    case Property::Font:
      binding->ApplyFont();
      break;
    case Property::Picture:
      binding->ApplyPicture();
      break;
    case Property::ZOrder:
      ApplyZOrder(control.Container());
      break;
    case Property::TabIndex:
      ApplyTabOrder();
      break;
    case Property::ToolTipText:
      binding->Widget()->setToolTip(Q(control.ToolTipText()));
      break;
    case Property::View:
    case Property::HideColumnHeaders:
    case Property::Checkboxes:
    case Property::ScrollBars:
    case Property::Locked:
    case Property::Default:
    case Property::Style:
      binding->ApplyAll();
      break;
    default:  // Tag, HelpContextID, Cancel, MultiLine, KeyPreview: nothing to show
      break;
  }
}

void FormWindow::MoveFocusOutOf(QWidget& widget) {
  // Qt would hand the focus of a widget hidden or disabled to the next one in the tab chain,
  // which a screen reader then announces though the person never reaches it: the focus goes
  // first where the runtime has it, when that stays shown, else nowhere until the runtime sets it.
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr || (focus != &widget && !widget.isAncestorOf(focus))) return;
  const Control* active = form_.ActiveControl();
  QWidget* target = active != nullptr ? WidgetOf(*active) : nullptr;
  if (target != nullptr && target != &widget && !widget.isAncestorOf(target) &&
      target->isVisible() && target->isEnabled()) {
    target->setFocus(Qt::OtherFocusReason);
  } else {
    focus->clearFocus();
  }
}

void FormWindow::ItemsChanged(Control& control) {
  ControlBinding* binding = BindingOf(control);
  if (dialog_.isNull() || binding == nullptr) return;
  const QScopedValueRollback following(following_, true);
  binding->ApplyItems();
}

void FormWindow::FocusChanged(Form&, Control*, Control* current) {
  if (dialog_.isNull() || closing_ || current == nullptr) return;
  QWidget* widget = WidgetOf(*current);
  if (widget == nullptr || ControlOf(QApplication::focusWidget()) == current) return;
  const QScopedValueRollback following(following_, true);
  widget->setFocus(Qt::OtherFocusReason);
}

void FormWindow::FormUnloaded(Form&) {
  closing_ = true;
  if (!dialog_.isNull()) dialog_->done(0);
}

// --- Window to runtime ------------------------------------------------------------------------

void FormWindow::Feed(Control& control, const std::function<void()>& action) {
  if (following_ || closing_) return;
  action();
  if (closing_ || dialog_.isNull()) return;
  // Show the control as the runtime has it, in case the runtime refused the action.
  const QScopedValueRollback following(following_, true);
  ApplyAll(control);
  if (Control* active = form_.ActiveControl()) {
    QWidget* widget = WidgetOf(*active);
    if (widget != nullptr && QApplication::focusWidget() != widget && widget->isVisible() &&
        ControlOf(QApplication::focusWidget()) != active) {
      widget->setFocus(Qt::OtherFocusReason);
    }
  }
}

void FormWindow::OnQtFocus(QWidget* now) {
  if (following_ || closing_ || now == nullptr || now->window() != dialog_) return;
  Control* control = ControlOf(now);
  if (control == nullptr || !control->CanHaveFocus() || control == form_.ActiveControl()) return;
  Feed(*control, [&] { UserInput::Focus(*control); });
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == dialog_ && event->type() == QEvent::Paint && !painted_) {
    painted_ = true;
    if (onFirstFrame) QTimer::singleShot(0, this, [this] { onFirstFrame(); });
    return false;
  }
  if (event->type() != QEvent::KeyPress || closing_) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != dialog_) return false;
  const auto* key = static_cast<QKeyEvent*>(event);
  // The wizard acts on F1, Escape and Enter only; other keys go to the widget.
  const int16_t code = ClassicKey(key->key());
  if (code == 0) return false;
  // A multi-line text box takes Enter as a new line.
  if (code == kKeyReturn) {
    const Control* focused = ControlOf(QApplication::focusWidget());
    const ControlBinding* binding = focused != nullptr ? BindingOf(*focused) : nullptr;
    if (binding != nullptr && binding->KeepsEnter()) return false;
  }
  const Qt::KeyboardModifiers modifiers = key->modifiers();
  const auto shift = static_cast<int16_t>((modifiers & Qt::ShiftModifier ? 1 : 0) |
                                          (modifiers & Qt::ControlModifier ? 2 : 0) |
                                          (modifiers & Qt::AltModifier ? 4 : 0));
  Feed(form_, [&] { UserInput::Key(form_, code, shift); });
  return true;
}

void FormWindow::Exec() {
  if (!form_.IsLoaded() || dialog_.isNull()) return;
  if (dialog_->parentWidget() == nullptr) {
    // A window of its own is placed by the window manager. The native window is made while its
    // position is still automatic (no position hint), and the dialog is then told it has been
    // placed, so that it does not centre itself on the screen and hand that as a position the
    // window manager must keep.
    dialog_->winId();
    dialog_->setAttribute(Qt::WA_Moved, true);
  }
  dialog_->exec();
}

}  // namespace lumora::forms
