// The terminal's views of the controls that offer entries (private to the terminal renderer):
// a list view (rows under a header, a check box per row, a cursor row and a scroll bar; the
// arrows, Page Up/Down, Home and End move the cursor, Space ticks) and a combo box (its text
// and a drop-down list that opens over the form with Space, F4 or a click).
#pragma once

#include <cstdint>

#include "platform/forms/ComboBox.h"
#include "platform/forms/ListView.h"
#include "platform/terminal/ControlView.h"

namespace lumora::terminal {

class ListViewView : public ControlView {
 public:
  ListViewView(forms::ListView& list, ViewContext& context)
      : ControlView(list, context), list_(list) {}
  Cell Draw(const CellRect& at, bool focused, bool enabled) override;
  bool Key(int code, int ch) override;
  CellRect HitArea(const CellRect& at) const override { return at; }
  void Click(int row, int col) override;
  bool Wheel(int step) override;
  void ItemsChanged() override;

 private:
  int HeaderRows() const;

  forms::ListView& list_;
  int32_t cursor_ = 1;  // 1-based
  int32_t top_ = 1;
};

class ComboBoxView : public ControlView {
 public:
  ComboBoxView(forms::ComboBox& combo, ViewContext& context)
      : ControlView(combo, context), combo_(combo) {}
  Cell Draw(const CellRect& at, bool focused, bool enabled) override;
  bool Key(int code, int ch) override;
  void Click(int row, int col) override;

 private:
  // The list open below the box (above it near the bottom) until an entry is chosen or it is
  // left with Escape or Tab.
  void DropDown();

  forms::ComboBox& combo_;
};

}  // namespace lumora::terminal
