// The bindings of the list controls (private to the window renderer). A combo box is shown as a
// drop-down list whose entries are updated where they differ; a person's choice is fed to the
// runtime. A list view is a tree view over the runtime's entries (ListViewModel), drawn to fit:
// a horizontal scroll bar only for an entry wider than the list, and whole rows only.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/ComboBox.h"
#include "platform/forms/ListView.h"
#include "platform/qt/ControlBinding.h"

class QComboBox;
class QTreeView;

namespace lumora::forms {

class ListViewModel;

class ComboBoxBinding : public ControlBinding {
 public:
  ComboBoxBinding(FormWindow& window, ComboBox& combo)
      : ControlBinding(window, combo), combo_(combo) {}
  void Connect() override;
  void ApplyListIndex() override;
  void ApplyItems() override;

 protected:
  QWidget* Create(QWidget* parent) override;

 private:
  ComboBox& combo_;
  QComboBox* qt_ = nullptr;
  std::vector<std::string> shown_;  // the entries the widget holds
};

class ListViewBinding : public ControlBinding {
 public:
  ListViewBinding(FormWindow& window, ListView& list) : ControlBinding(window, list), list_(list) {}
  void ApplyGeometry() override;
  // Headers, column widths and entries.
  void ApplyItems() override;
  // Fits the list if a fit was put off while it was hidden and it is now shown.
  void Settle() override;

 protected:
  QWidget* Create(QWidget* parent) override;

 private:
  // Fits the list once the current changes have settled (once per turn of the event loop).
  void ScheduleFit();
  void Fit();
  // Tells assistive technology of each row ticked or cleared since the entries were last shown.
  void AnnounceTicks();

  ListView& list_;
  QTreeView* qt_ = nullptr;
  ListViewModel* model_ = nullptr;
  bool fitPending_ = false;
  bool fitWhenShown_ = false;
  std::vector<bool> checked_;  // each row's check mark as last shown
};

}  // namespace lumora::forms
