#include "platform/qt/ListViewModel.h"

#include <algorithm>

#include "platform/forms/ListView.h"
#include "platform/qt/ClassicValues.h"

namespace lumora::forms {

ListViewModel::ListViewModel(const ListView& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {}

void ListViewModel::Refresh() {
  const int columns = std::max(1, static_cast<int>(list_.ColumnHeaders().Count()));
  if (columns != columns_) {
    beginResetModel();
    columns_ = columns;
    rows_ = static_cast<int>(list_.ListItems().Count());
    endResetModel();
    return;
  }
  // Entries are added and taken away at the end; the rows before are drawn again.
  const int rows = static_cast<int>(list_.ListItems().Count());
  if (rows < rows_) {
    beginRemoveRows({}, rows, rows_ - 1);
    rows_ = rows;
    endRemoveRows();
  } else if (rows > rows_) {
    beginInsertRows({}, rows_, rows - 1);
    rows_ = rows;
    endInsertRows();
  }
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
  emit headerDataChanged(Qt::Horizontal, 0, columns_ - 1);
}

bool ListViewModel::Holds(const QModelIndex& index) const {
  return index.isValid() && index.row() < rows_ && index.row() < list_.ListItems().Count();
}

QString ListViewModel::Text(int row) const {
  if (row < 0 || row >= rows_ || row >= list_.ListItems().Count()) return {};
  return Q(list_.ListItems().Item(row + 1).Text());
}

int ListViewModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int ListViewModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : columns_;
}

QVariant ListViewModel::data(const QModelIndex& index, int role) const {
  if (!Holds(index) || index.column() != 0) return {};
  if (role == Qt::DisplayRole) return Text(index.row());
  if (role == Qt::CheckStateRole && list_.Checkboxes()) {
    return list_.ListItems().Item(index.row() + 1).Checked() ? Qt::Checked : Qt::Unchecked;
  }
  return {};
}

bool ListViewModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || !Holds(index) || index.column() != 0 || !list_.Checkboxes())
    return false;
  const bool checked = value.toInt() == Qt::Checked;
  if (list_.ListItems().Item(index.row() + 1).Checked() == checked) return false;
  if (onTick) onTick(index.row() + 1, checked);
  return true;
}

Qt::ItemFlags ListViewModel::flags(const QModelIndex& index) const {
  if (!Holds(index)) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable |
         (list_.Checkboxes() ? Qt::ItemIsUserCheckable : Qt::NoItemFlags);
}

QVariant ListViewModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < list_.ColumnHeaders().Count()) {
    return Q(list_.ColumnHeaders().Item(section + 1).Text());
  }
  return QString::number(section + 1);  // a column without a header is numbered
}

}  // namespace lumora::forms
