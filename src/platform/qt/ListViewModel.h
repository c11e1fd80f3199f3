// A runtime list view as a Qt item model (private to the window renderer): the view reads the
// entries' texts and check marks straight from the runtime, nothing is copied. The rows and
// columns the view knows change only in Refresh(), which the binding calls when the runtime says
// the entries changed, so the view never sees a row the runtime has already taken away. A
// person's tick becomes a call of onTick, never a change of the entry.
#pragma once

#include <QAbstractTableModel>
#include <functional>

namespace lumora::forms {

class ListView;

class ListViewModel : public QAbstractTableModel {
 public:
  explicit ListViewModel(const ListView& list, QObject* parent = nullptr);

  // Brings the view's rows and columns to the runtime's and has every shown row drawn again.
  void Refresh();
  // The text of row `row` (0-based) as the view shows it.
  QString Text(int row) const;
  // Called with the entry's 1-based index and the state a person gave its check box.
  std::function<void(int32_t index, bool checked)> onTick;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  bool Holds(const QModelIndex& index) const;

  const ListView& list_;
  int rows_ = 0;
  int columns_ = 1;
};

}  // namespace lumora::forms
