#include "platform/qt/ListBindings.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <unordered_map>

#include "platform/forms/UserInput.h"
#include "platform/qt/Accessibility.h"
#include "platform/qt/ClassicValues.h"
#include "platform/qt/FormWindow.h"
#include "platform/qt/ListViewModel.h"

namespace lumora::forms {
namespace {

// The width the one column of `tree` needs for its widest entry, check box and margins included,
// when that is more than `inside`; else 0. Only entries whose text could be that wide are laid
// out: a text's characters' own advances, with room for kerning, bound its width.
int WidestEntryWidth(const QTreeView& tree, const ListViewModel& model, int inside) {
  const int rows = model.rowCount();
  if (rows == 0) return 0;
  const QFontMetrics metrics(tree.font());
  const int margins =
      tree.sizeHintForIndex(model.index(0, 0)).width() - metrics.horizontalAdvance(model.Text(0));
  std::unordered_map<char16_t, int> advances;
  int widestText = -1, widest = -1;
  for (int row = 0; row < rows; ++row) {
    const QString text = model.Text(row);
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
  return tree.sizeHintForIndex(model.index(widest, 0)).width();
}

}  // namespace

// --- Combo box -----------------------------------------------------------------------------------

QWidget* ComboBoxBinding::Create(QWidget* parent) {
  // Every combo is shown as a drop-down list: the runtime takes a person's choice of an entry,
  // not free typing.
  qt_ = new QComboBox(parent);
  return qt_;
}

void ComboBoxBinding::Connect() {
  QObject::connect(qt_, &QComboBox::activated, &window_, [this](int i) {
    window_.Feed(combo_, [&] { UserInput::Choose(combo_, static_cast<int16_t>(i)); });
  });
}

void ComboBoxBinding::ApplyItems() {
  const QSignalBlocker block(qt_);
  const auto& entries = combo_.Entries();
  const int count = static_cast<int>(entries.size());
  while (qt_->count() > count) qt_->removeItem(qt_->count() - 1);
  shown_.resize(static_cast<size_t>(qt_->count()));
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i >= shown_.size()) {
      qt_->addItem(Q(entries[i]));
      shown_.push_back(entries[i]);
    } else if (shown_[i] != entries[i]) {
      qt_->setItemText(static_cast<int>(i), Q(entries[i]));
      shown_[i] = entries[i];
    }
  }
  ApplyListIndex();
}

void ComboBoxBinding::ApplyListIndex() {
  const QSignalBlocker block(qt_);
  if (qt_->currentIndex() == combo_.ListIndex()) return;
  qt_->setCurrentIndex(combo_.ListIndex());
  accessibility::AnnounceValueChange(*qt_, qt_->currentText());
}

// --- List view -----------------------------------------------------------------------------------

QWidget* ListViewBinding::Create(QWidget* parent) {
  qt_ = new QTreeView(parent);
  model_ = new ListViewModel(list_, qt_);
  qt_->setModel(model_);
  qt_->setRootIsDecorated(false);
  qt_->setUniformRowHeights(true);
  qt_->setItemsExpandable(false);
  qt_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  model_->onTick = [this](int32_t index, bool checked) {
    window_.Feed(list_, [&] { UserInput::Tick(list_, index, checked); });
  };
  const auto refit = [this] { ScheduleFit(); };
  QObject::connect(model_, &QAbstractItemModel::rowsInserted, qt_, refit);
  QObject::connect(model_, &QAbstractItemModel::rowsRemoved, qt_, refit);
  QObject::connect(model_, &QAbstractItemModel::dataChanged, qt_, refit);
  QObject::connect(model_, &QAbstractItemModel::modelReset, qt_, refit);
  return qt_;
}

void ListViewBinding::ApplyGeometry() {
  ControlBinding::ApplyGeometry();
  ScheduleFit();
}

void ListViewBinding::ApplyItems() {
  const QSignalBlocker block(qt_);
  qt_->setHeaderHidden(list_.HideColumnHeaders());
  model_->Refresh();
  AnnounceTicks();
  int column = 0;
  for (const auto& header : list_.ColumnHeaders()) {
    qt_->setColumnWidth(column++, window_.Px(header->Width()));
  }
}

void ListViewBinding::AnnounceTicks() {
  // The rows whose check mark changed since the list was last shown, when the entries are the
  // same; nothing is kept while no assistive technology listens.
  if (!accessibility::Listening()) return checked_.clear();
  const auto& items = list_.ListItems();
  const auto count = static_cast<size_t>(items.Count());
  if (!list_.Checkboxes() || checked_.size() != count) {
    checked_.assign(count, false);
    for (size_t i = 0; i < count; ++i)
      checked_[i] = items.Item(static_cast<int32_t>(i + 1)).Checked();
    return;
  }
  for (size_t i = 0; i < count; ++i) {
    const bool checked = items.Item(static_cast<int32_t>(i + 1)).Checked();
    if (checked == checked_[i]) continue;
    checked_[i] = checked;
    accessibility::AnnounceCheckChange(*qt_, static_cast<int>(i));
  }
}

void ListViewBinding::Settle() {
  if (fitWhenShown_ && qt_->isVisibleTo(&window_.Dialog())) ScheduleFit();
}

void ListViewBinding::ScheduleFit() {
  if (fitPending_) return;
  fitPending_ = true;
  QTimer::singleShot(0, qt_, [this] {
    fitPending_ = false;
    Fit();
  });
}

void ListViewBinding::Fit() {
  // A hidden list is fitted when it is shown.
  fitWhenShown_ = !qt_->isVisibleTo(&window_.Dialog());
  if (fitWhenShown_) return;
  QTreeView& tree = *qt_;
  const int rowCount = model_->rowCount();
  const int design = window_.Px(list_.Height());
  const int frame = 2 * tree.frameWidth();
  const int header = tree.isHeaderHidden() ? 0 : tree.header()->sizeHint().height();
  const int row = rowCount > 0 ? tree.sizeHintForRow(0) : 0;
  const int bar = tree.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &tree);
  const bool vertical = row > 0 && rowCount * row > design - frame - header;
  const int inside = tree.width() - frame - (vertical ? bar : 0);
  // Without column headers, the one column is as wide as the list's inside or as its widest
  // entry, whichever is wider: a scroll bar shows only when an entry is wider than the list.
  if (tree.isHeaderHidden() && model_->columnCount() == 1) {
    tree.setColumnWidth(0, std::max(WidestEntryWidth(tree, *model_, inside), inside));
  }
  // The list is as high as its design allows for whole rows, so that no row shows cut in half.
  if (row <= 0) return;
  int used = 0;
  for (int column = 0; column < model_->columnCount(); ++column) used += tree.columnWidth(column);
  const int chrome = frame + header + (used > inside ? bar : 0);
  const int rows = std::max(1, (design - chrome) / row);
  tree.resize(tree.width(), std::min(design, chrome + rows * row));
}

}  // namespace lumora::forms
