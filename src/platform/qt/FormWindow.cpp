#include "platform/qt/FormWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <unordered_map>

#include "contract/ProcessState.h"
#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Form.h"
#include "platform/forms/Frame.h"
#include "platform/forms/Image.h"
#include "platform/forms/Label.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/PictureBox.h"
#include "platform/forms/TextBox.h"
#include "platform/forms/UserInput.h"

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

// Check boxes and option buttons whose state only the runtime sets: a person's click is fed to
// the runtime, which answers with the new value.
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

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Multi-line text boxes hold CR LF line ends; the editor holds LF.
QString FromCrLf(const std::string& text) {
  QString shown = Q(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return shown;
}

std::string ToCrLf(const QString& text) {
  QString stored = text;
  stored.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return stored.toStdString();
}

// A label shows "&&" as "&" and drops a single "&", as a classic label without a buddy does.
QString LabelText(const std::string& caption) {
  QString shown;
  const QString text = Q(caption);
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) {
      shown += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
      shown += QLatin1Char('&');
      ++i;
    }
  }
  return shown;
}

QFont ToQFont(const Font& font) {
  QFont qfont;
  if (font.name.empty() ||
      QString::compare(Q(font.name), QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0) {
    // The classic dialog face stands for this platform's default user-interface face.
    qfont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  } else {
    qfont.setFamily(Q(font.name));
  }
  qfont.setPointSizeF(font.size > 0 ? font.size : 8);
  qfont.setBold(font.bold);
  qfont.setItalic(font.italic);
  return qfont;
}

// An image file read as the format its name says (png, bmp, jpg...), else as its content says;
// null when neither can be read. A reader left to find the format loads every image-format
// plugin to ask it first, a noticeable part of the window's start.
QImage ReadImage(const QString& file) {
  QImageReader named(file, QFileInfo(file).suffix().toLatin1());
  named.setAutoDetectImageFormat(false);
  QImage image = named.read();
  if (image.isNull()) image = QImageReader(file).read();
  return image;
}

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

// The width the one column of `tree` needs for its widest entry, check box and margins included,
// when that is more than `inside`; else 0. Only entries whose text could be that wide are laid
// out: a text's characters' own advances, with room for kerning, bound its width.
int WidestEntryWidth(const QTreeWidget& tree, int inside) {
  const int rows = tree.topLevelItemCount();
  if (rows == 0) return 0;
  const QFontMetrics metrics(tree.font());
  const QModelIndex first = tree.model()->index(0, 0);
  const int margins = tree.sizeHintForIndex(first).width() -
                      metrics.horizontalAdvance(tree.topLevelItem(0)->text(0));
  std::unordered_map<char16_t, int> advances;
  int widestText = -1, widest = -1;
  for (int row = 0; row < rows; ++row) {
    const QString text = tree.topLevelItem(row)->text(0);
    int bound = 0;
    bool simple = true;  // characters that are shaped one by one
    for (const QChar c : text) {
      if (c.unicode() >= 0x0300) {
        simple = false;
        break;
      }
      auto [at, added] = advances.try_emplace(c.unicode(), 0);
      if (added) at->second = metrics.horizontalAdvance(c);
      bound += at->second;
    }
    if (simple && bound + bound / 8 + 2 + margins <= std::max(inside, widestText + margins)) {
      continue;
    }
    const int width = metrics.horizontalAdvance(text);
    if (width > widestText) {
      widestText = width;
      widest = row;
    }
  }
  if (widest < 0) return 0;
  return tree.sizeHintForIndex(tree.model()->index(widest, 0)).width();
}

// Twips per container: the container's width and height, the form's for a control on the form.
const Control& ContainerOf(const Control& control) {
  if (control.Container() != nullptr) return *control.Container();
  return *control.ParentForm();
}

bool IsContainerWidget(const Control& control) {
  return control.IsContainer() || dynamic_cast<const Label*>(&control) != nullptr ||
         dynamic_cast<const Image*>(&control) != nullptr;
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
  ++updating_;
  Build(form_, dialog_);
  ApplyAll(form_);
  ApplyTabOrder();
  --updating_;
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

QWidget* FormWindow::WidgetOf(const Control& control) const {
  auto found = widgets_.find(&control);
  return found == widgets_.end() ? nullptr : found->second;
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
    QWidget* widget = CreateWidget(*child, parent);
    if (widget == nullptr) continue;
    widget->setObjectName(Q(child->DisplayName()));
    widgets_[child] = widget;
    controls_[widget] = child;
    ApplyAll(*child);
    Connect(*child, widget);
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
  // The runtime may have given the focus to a control of the page before it was shown.
  if (Control* active = form_.ActiveControl()) FocusChanged(form_, nullptr, active);
}

QWidget* FormWindow::CreateWidget(Control& control, QWidget* parent) {
  if (auto* frame = dynamic_cast<Frame*>(&control)) {
    if (frame->BorderStyle() == 0) return new QWidget(parent);
    if (frame->Height() <= 60) {  // a frame drawn as a rule
      auto* rule = new QFrame(parent);
      rule->setFrameShape(QFrame::HLine);
      rule->setFrameShadow(QFrame::Sunken);
      return rule;
    }
    return new QGroupBox(parent);
  }
  if (auto* picture = dynamic_cast<PictureBox*>(&control)) {
    auto* box = new QFrame(parent);
    if (picture->BorderStyle() != 0) box->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    return box;
  }
  if (auto* label = dynamic_cast<Label*>(&control)) {
    auto* widget = new QLabel(parent);
    widget->setTextFormat(Qt::PlainText);
    widget->setWordWrap(label->WordWrap());
    widget->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return widget;
  }
  if (dynamic_cast<CommandButton*>(&control) != nullptr) {
    auto* button = new QPushButton(parent);
    button->setAutoDefault(false);  // Enter reaches the form; only a Default button answers it
    return button;
  }
  if (dynamic_cast<CheckBox*>(&control) != nullptr) return new RuntimeCheckBox(parent);
  if (dynamic_cast<OptionButton*>(&control) != nullptr) {
    auto* option = new RuntimeRadioButton(parent);
    option->setAutoExclusive(false);  // the runtime clears the group
    return option;
  }
  if (auto* box = dynamic_cast<TextBox*>(&control)) {
    if (!box->MultiLine()) return new QLineEdit(parent);
    auto* editor = new QPlainTextEdit(parent);
    editor->setTabChangesFocus(true);
    return editor;
  }
  if (dynamic_cast<ComboBox*>(&control) != nullptr) {
    // Every combo is shown as a drop-down list: the runtime takes a person's choice of an
    // entry, not free typing.
    return new QComboBox(parent);
  }
  if (dynamic_cast<ListView*>(&control) != nullptr) {
    auto* tree = new QTreeWidget(parent);
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->setItemsExpandable(false);
    tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const auto refit = [this, &control, tree] { ScheduleFit(control, *tree); };
    connect(tree->model(), &QAbstractItemModel::rowsInserted, tree, refit);
    connect(tree->model(), &QAbstractItemModel::rowsRemoved, tree, refit);
    connect(tree->model(), &QAbstractItemModel::dataChanged, tree, refit);
    return tree;
  }
  if (dynamic_cast<Image*>(&control) != nullptr) return new QLabel(parent);
  return nullptr;  // components have no shape
}

template <class Action>
void FormWindow::Feed(Control& control, Action&& action) {
  if (updating_ > 0 || closing_) return;
  ++feeding_;
  action();
  --feeding_;
  if (closing_ || dialog_.isNull()) return;
  // Show the control as the runtime has it, in case the runtime refused the action.
  ++updating_;
  ApplyAll(control);
  --updating_;
  if (Control* active = form_.ActiveControl()) {
    QWidget* widget = WidgetOf(*active);
    if (widget != nullptr && QApplication::focusWidget() != widget && widget->isVisible() &&
        ControlOf(QApplication::focusWidget()) != active) {
      ++updating_;
      widget->setFocus(Qt::OtherFocusReason);
      --updating_;
    }
  }
}

void FormWindow::Connect(Control& control, QWidget* widget) {
  if (dynamic_cast<CommandButton*>(&control) != nullptr ||
      dynamic_cast<CheckBox*>(&control) != nullptr ||
      dynamic_cast<OptionButton*>(&control) != nullptr) {
    connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this,
            [this, &control] { Feed(control, [&] { UserInput::Click(control); }); });
  } else if (auto* box = dynamic_cast<TextBox*>(&control)) {
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
      connect(line, &QLineEdit::textEdited, this, [this, box](const QString& text) {
        Feed(*box, [&] { UserInput::Type(*box, text.toStdString()); });
      });
    } else if (auto* editor = qobject_cast<QPlainTextEdit*>(widget)) {
      connect(editor, &QPlainTextEdit::textChanged, this, [this, box, editor] {
        const std::string text = ToCrLf(editor->toPlainText());
        if (text == box->Text()) return;
        Feed(*box, [&] { UserInput::Type(*box, text); });
      });
    }
  } else if (auto* combo = dynamic_cast<ComboBox*>(&control)) {
    connect(static_cast<QComboBox*>(widget), &QComboBox::activated, this, [this, combo](int i) {
      Feed(*combo, [&] { UserInput::Choose(*combo, static_cast<int16_t>(i)); });
    });
  } else if (auto* list = dynamic_cast<ListView*>(&control)) {
    auto* tree = static_cast<QTreeWidget*>(widget);
    connect(tree, &QTreeWidget::itemChanged, this,
            [this, list, tree](QTreeWidgetItem* item, int column) {
              if (column != 0 || !list->Checkboxes()) return;
              const int32_t index = tree->indexOfTopLevelItem(item) + 1;
              if (index < 1 || index > list->ListItems().Count()) return;
              const bool checked = item->checkState(0) == Qt::Checked;
              if (list->ListItems().Item(index).Checked() == checked) return;
              Feed(*list, [&] { UserInput::Tick(*list, index, checked); });
            });
  }
}

// --- Runtime to window ------------------------------------------------------------------------

void FormWindow::ApplyAll(Control& control) {
  if (&control == &form_) {
    dialog_->setWindowTitle(Q(form_.Caption()));
    dialog_->setFont(ToQFont(form_.GetFont()));
    dialog_->setEnabled(form_.Enabled());
    ApplyFormGeometry();
    return;
  }
  QWidget* widget = WidgetOf(control);
  if (widget == nullptr) return;
  ApplyGeometry(control);
  widget->setEnabled(control.Enabled());
  widget->setToolTip(Q(control.ToolTipText()));
  if (control.HasFont()) ApplyFont(control);
  ApplyCaption(control);
  ApplyText(control);
  ApplyValue(control);
  ApplyPicture(control);
  if (dynamic_cast<ListView*>(&control) != nullptr) ApplyListView(control);
  if (dynamic_cast<ComboBox*>(&control) != nullptr) ApplyEntries(control);
  if (auto* button = dynamic_cast<CommandButton*>(&control)) {
    static_cast<QPushButton*>(widget)->setDefault(button->Default());
  }
  if (auto* box = dynamic_cast<TextBox*>(&control)) {
    if (auto* line = qobject_cast<QLineEdit*>(widget)) line->setReadOnly(box->Locked());
    if (auto* editor = qobject_cast<QPlainTextEdit*>(widget)) {
      editor->setReadOnly(box->Locked());
      const bool horizontal =
          box->ScrollBars() == kScrollHorizontal || box->ScrollBars() == kScrollBoth;
      const bool vertical =
          box->ScrollBars() == kScrollVertical || box->ScrollBars() == kScrollBoth;
      editor->setLineWrapMode(horizontal ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
      editor->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded
                                                      : Qt::ScrollBarAlwaysOff);
      editor->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    }
  }
  if (IsContainerWidget(control) || dynamic_cast<Frame*>(&control) != nullptr) {
    widget->setFocusPolicy(Qt::NoFocus);
  }
}

bool FormWindow::IsOffContainer(const Control& control) const {
  // The same rule the runtime uses for reachability: a control lying wholly outside its
  // container (a page frame at left -10000) is not seen.
  const Control& parent = ContainerOf(control);
  return control.Left() + control.Width() <= 0 || control.Top() + control.Height() <= 0 ||
         (parent.Width() > 0 && control.Left() >= parent.Width()) ||
         (parent.Height() > 0 && control.Top() >= parent.Height());
}

void FormWindow::ApplyGeometry(Control& control) {
  QWidget* widget = WidgetOf(control);
  if (widget == nullptr) return;
  widget->setGeometry(Px(control.Left()), Px(control.Top()), Px(control.Width()),
                      Px(control.Height()));
  widget->setVisible(control.Visible() && !IsOffContainer(control));
  if (auto* tree = qobject_cast<QTreeWidget*>(widget)) ScheduleFit(control, *tree);
  BuildWhenShown(control);
}

void FormWindow::ScheduleFit(const Control& control, QTreeWidget& tree) {
  // Once, after the entries and the layout of this turn of the event loop have settled.
  if (tree.property("lumoraFitPending").toBool()) return;
  tree.setProperty("lumoraFitPending", true);
  QTimer::singleShot(0, &tree, [this, &control, &tree] {
    tree.setProperty("lumoraFitPending", false);
    FitList(control, tree);
  });
}

void FormWindow::FitList(const Control& control, QTreeWidget& tree) {
  const int design = Px(control.Height());
  const int frame = 2 * tree.frameWidth();
  const int header = tree.isHeaderHidden() ? 0 : tree.header()->sizeHint().height();
  const int row = tree.topLevelItemCount() > 0 ? tree.sizeHintForRow(0) : 0;
  const int bar = tree.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &tree);
  const bool vertical = row > 0 && tree.topLevelItemCount() * row > design - frame - header;
  const int inside = tree.width() - frame - (vertical ? bar : 0);
  // Without column headers, the one column is as wide as the list's inside or as its widest
  // entry, whichever is wider: a scroll bar shows only when an entry is wider than the list.
  if (tree.isHeaderHidden() && tree.columnCount() == 1) {
    tree.setColumnWidth(0, std::max(WidestEntryWidth(tree, inside), inside));
  }
  // The list is as high as its design allows for whole rows, so that no row shows cut in half.
  if (row <= 0) return;
  int used = 0;
  for (int column = 0; column < tree.columnCount(); ++column) used += tree.columnWidth(column);
  const int chrome = frame + header + (used > inside ? bar : 0);
  const int rows = std::max(1, (design - chrome) / row);
  tree.resize(tree.width(), std::min(design, chrome + rows * row));
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

void FormWindow::ApplyCaption(Control& control) {
  QWidget* widget = WidgetOf(control);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(Q(control.Caption()));  // "&Next": Alt+N, as classic captions mean it
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(Q(control.Caption()));
  } else if (dynamic_cast<Label*>(&control) != nullptr) {
    static_cast<QLabel*>(widget)->setText(LabelText(control.Caption()));
  }
}

void FormWindow::ApplyText(Control& control) {
  auto* box = dynamic_cast<TextBox*>(&control);
  if (box == nullptr) return;
  QWidget* widget = WidgetOf(control);
  const QSignalBlocker block(widget);
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    const QString text = Q(box->Text());
    if (line->text() != text) line->setText(text);
  } else if (auto* editor = qobject_cast<QPlainTextEdit*>(widget)) {
    const QString text = FromCrLf(box->Text());
    if (editor->toPlainText() != text) editor->setPlainText(text);
  }
}

void FormWindow::ApplyValue(Control& control) {
  QWidget* widget = WidgetOf(control);
  const QSignalBlocker block(widget);
  if (auto* check = dynamic_cast<CheckBox*>(&control)) {
    auto* box = static_cast<QCheckBox*>(widget);
    box->setTristate(check->Value() == kGrayed);
    box->setCheckState(check->Value() == kChecked  ? Qt::Checked
                       : check->Value() == kGrayed ? Qt::PartiallyChecked
                                                   : Qt::Unchecked);
  } else if (auto* option = dynamic_cast<OptionButton*>(&control)) {
    static_cast<QRadioButton*>(widget)->setChecked(option->Value());
  }
}

void FormWindow::ApplyFont(Control& control) {
  QWidget* widget = WidgetOf(control);
  if (widget != nullptr) widget->setFont(ToQFont(control.GetFont()));
}

void FormWindow::ApplyPicture(Control& control) {
  std::string picture;
  bool stretch = false;
  if (auto* image = dynamic_cast<Image*>(&control)) {
    picture = image->Picture();
    stretch = image->Stretch();
  } else if (auto* box = dynamic_cast<PictureBox*>(&control)) {
    picture = box->Picture();
  } else {
    return;
  }
  QWidget* widget = WidgetOf(control);
  QPixmap pixmap;
  if (!picture.empty()) {
    // A picture names a file in the component folder; one that cannot be read shows nothing.
    const std::string& folder = component::ComponentFolder();
    const bool relative = picture.front() != '/';
    pixmap = QPixmap::fromImage(
        ReadImage(Q(relative && !folder.empty() ? folder + "/" + picture : picture)));
  }
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setScaledContents(stretch);
    label->setPixmap(pixmap);
  } else {
    QPalette palette = widget->palette();
    if (pixmap.isNull()) {
      widget->setAutoFillBackground(false);
    } else {
      palette.setBrush(QPalette::Window, QBrush(pixmap));
      widget->setAutoFillBackground(true);
    }
    widget->setPalette(palette);
  }
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

void FormWindow::ApplyListIndex(Control& control) {
  auto* combo = dynamic_cast<ComboBox*>(&control);
  if (combo == nullptr) return;
  auto* widget = static_cast<QComboBox*>(WidgetOf(control));
  const QSignalBlocker block(widget);
  if (widget->currentIndex() != combo->ListIndex()) widget->setCurrentIndex(combo->ListIndex());
}

void FormWindow::ApplyListView(Control& control) {
  auto& list = static_cast<ListView&>(control);
  auto* tree = static_cast<QTreeWidget*>(WidgetOf(control));
  const QSignalBlocker block(tree);
  tree->setHeaderHidden(list.HideColumnHeaders());
  const int columns = std::max(1, static_cast<int>(list.ColumnHeaders().Count()));
  tree->setColumnCount(columns);
  QStringList labels;
  int column = 0;
  for (const auto& header : list.ColumnHeaders()) {
    labels << Q(header->Text());
    tree->setColumnWidth(column++, Px(header->Width()));
  }
  if (!labels.isEmpty()) tree->setHeaderLabels(labels);
  ApplyEntries(control);
}

void FormWindow::ApplyEntries(Control& control) {
  QWidget* widget = WidgetOf(control);
  if (widget == nullptr) return;
  Mirror& shown = mirrors_[&control];
  const QSignalBlocker block(widget);
  if (auto* list = dynamic_cast<ListView*>(&control)) {
    auto* tree = static_cast<QTreeWidget*>(widget);
    if (!tree->isVisibleTo(dialog_.data())) {
      unshownEntries_.insert(&control);
      return;
    }
    unshownEntries_.erase(&control);
    const int count = static_cast<int>(list->ListItems().Count());
    while (tree->topLevelItemCount() > count) delete tree->takeTopLevelItem(count);
    shown.texts.resize(static_cast<size_t>(tree->topLevelItemCount()));
    shown.checks.resize(shown.texts.size());
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable |
                                (list->Checkboxes() ? Qt::ItemIsUserCheckable : Qt::NoItemFlags);
    size_t i = 0;
    for (const auto& entry : list->ListItems()) {
      QTreeWidgetItem* item = nullptr;
      if (i < shown.texts.size()) {
        item = tree->topLevelItem(static_cast<int>(i));
      } else {
        item = new QTreeWidgetItem(tree);
        shown.texts.emplace_back();
        shown.checks.push_back(false);
        item->setText(0, Q(entry->Text()));
        shown.texts[i] = entry->Text();
      }
      if (shown.texts[i] != entry->Text()) {
        item->setText(0, Q(entry->Text()));
        shown.texts[i] = entry->Text();
      }
      if (item->flags() != flags) item->setFlags(flags);
      if (list->Checkboxes()) {
        const Qt::CheckState state = entry->Checked() ? Qt::Checked : Qt::Unchecked;
        if (item->data(0, Qt::CheckStateRole).isNull() || item->checkState(0) != state)
          item->setCheckState(0, state);
      } else if (!item->data(0, Qt::CheckStateRole).isNull()) {
        item->setData(0, Qt::CheckStateRole, QVariant());
      }
      shown.checks[i] = entry->Checked();
      ++i;
    }
  } else if (auto* combo = dynamic_cast<ComboBox*>(&control)) {
    auto* box = static_cast<QComboBox*>(widget);
    const auto& entries = combo->Entries();
    const int count = static_cast<int>(entries.size());
    while (box->count() > count) box->removeItem(box->count() - 1);
    shown.texts.resize(static_cast<size_t>(box->count()));
    for (size_t i = 0; i < entries.size(); ++i) {
      if (i >= shown.texts.size()) {
        box->addItem(Q(entries[i]));
        shown.texts.push_back(entries[i]);
      } else if (shown.texts[i] != entries[i]) {
        box->setItemText(static_cast<int>(i), Q(entries[i]));
        shown.texts[i] = entries[i];
      }
    }
    ApplyListIndex(control);
  }
}

void FormWindow::ApplyShownEntries() {
  for (Control* list : std::vector<Control*>(unshownEntries_.begin(), unshownEntries_.end())) {
    if (WidgetOf(*list)->isVisibleTo(dialog_.data())) ApplyEntries(*list);
  }
}

void FormWindow::ApplyTabOrder() {
  // Depth first through the containers, siblings by TabIndex.
  std::vector<QWidget*> chain;
  std::function<void(const std::vector<Control*>&)> walk = [&](const std::vector<Control*>& level) {
    std::vector<Control*> sorted = level;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Control* a, const Control* b) {
      return a->TabIndex() < b->TabIndex();
    });
    for (Control* control : sorted) {
      QWidget* widget = WidgetOf(*control);
      if (widget == nullptr) continue;
      if (control->IsContainer()) {
        walk(control->Children());
      } else if (widget->focusPolicy() != Qt::NoFocus) {
        chain.push_back(widget);
      }
    }
  };
  walk(form_.Children());
  for (size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void FormWindow::PropertyChanged(Control& control, Property property) {
  if (dialog_.isNull()) return;
  ++updating_;
  if (&control == &form_) {
    ApplyAll(form_);
  } else if (WidgetOf(control) != nullptr) {
    switch (property) {
      case Property::Left:
      case Property::Top:
      case Property::Width:
      case Property::Height:
      case Property::Visible:
        ApplyGeometry(control);
        for (Control* child : control.Children()) ApplyGeometry(*child);
        if (control.Container() == nullptr) ApplyFormGeometry();
        ApplyShownEntries();
        break;
      case Property::Enabled:
        WidgetOf(control)->setEnabled(control.Enabled());
        break;
      case Property::Caption:
        ApplyCaption(control);
        break;
      case Property::Text:
        ApplyText(control);
        break;
      case Property::Value:
        ApplyValue(control);
        break;
      case Property::ListIndex:
        ApplyListIndex(control);
        break;
      case Property::Font:
        ApplyFont(control);
        break;
      case Property::Picture:
        ApplyPicture(control);
        break;
      case Property::ZOrder:
        ApplyZOrder(control.Container());
        break;
      case Property::TabIndex:
        ApplyTabOrder();
        break;
      case Property::ToolTipText:
        WidgetOf(control)->setToolTip(Q(control.ToolTipText()));
        break;
      case Property::View:
      case Property::HideColumnHeaders:
      case Property::Checkboxes:
      case Property::ScrollBars:
      case Property::Locked:
      case Property::Default:
      case Property::Style:
        ApplyAll(control);
        break;
      default:  // Tag, HelpContextID, Cancel, MultiLine, KeyPreview: nothing to show
        break;
    }
  }
  --updating_;
}

void FormWindow::ItemsChanged(Control& control) {
  if (dialog_.isNull() || WidgetOf(control) == nullptr) return;
  ++updating_;
  if (dynamic_cast<ListView*>(&control) != nullptr) {
    ApplyListView(control);
  } else {
    ApplyEntries(control);
  }
  --updating_;
}

void FormWindow::FocusChanged(Form&, Control*, Control* current) {
  if (dialog_.isNull() || closing_ || current == nullptr) return;
  QWidget* widget = WidgetOf(*current);
  if (widget == nullptr || ControlOf(QApplication::focusWidget()) == current) return;
  ++updating_;
  widget->setFocus(Qt::OtherFocusReason);
  --updating_;
}

void FormWindow::FormUnloaded(Form&) {
  closing_ = true;
  if (!dialog_.isNull()) dialog_->done(0);
}

// --- Window to runtime ------------------------------------------------------------------------

void FormWindow::OnQtFocus(QWidget* now) {
  if (updating_ > 0 || closing_ || now == nullptr || now->window() != dialog_) return;
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
  int16_t code = 0;
  switch (key->key()) {
    case Qt::Key_F1:
      code = kKeyF1;
      break;
    case Qt::Key_Escape:
      code = kKeyEscape;
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // A multi-line text box takes Enter as a new line.
      if (qobject_cast<QPlainTextEdit*>(QApplication::focusWidget()) != nullptr) return false;
      code = kKeyReturn;
      break;
    default:
      return false;  // the wizard acts on F1, Escape and Enter only; other keys go to the widget
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
