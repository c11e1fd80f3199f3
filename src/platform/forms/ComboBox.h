// A combo box: a list of entries (List, ListCount), the chosen one (ListIndex, -1 for none) and
// Text. Setting ListIndex to another index, in code too, raises Click; setting the index it
// already has raises nothing. A person's choice always raises Click. Counts and indexes are
// 16-bit: the 32768th entry fails with 6.
#pragma once

#include <vector>

#include "platform/forms/Control.h"

namespace lumora::forms {

// Classic Style values.
enum ComboStyle : int16_t { kDropdownCombo = 0, kSimpleCombo = 1, kDropdownList = 2 };

class ComboBox : public Control {
 public:
  using Control::Control;
  const char* TypeName() const override { return "ComboBox"; }
  bool CanHaveFocus() const override { return true; }

  // Appends (index -1) or inserts an entry; inserting before the chosen entry keeps it chosen.
  void AddItem(std::string item, int16_t index = -1);
  void RemoveItem(int16_t index);
  // Removes every entry; ListIndex becomes -1 without Click.
  void Clear();
  int16_t ListCount() const;
  // Entry `index`; "" for an index outside the list, as the classic List property answers.
  std::string List(int16_t index) const;
  const std::vector<std::string>& Entries() const { return list_; }

  int16_t ListIndex() const { return listIndex_; }
  // Fails with 380 for an index below -1 or past the last entry.
  void SetListIndex(int16_t index);

  // The chosen entry's text for a drop-down list, else the edit text. Setting it on a drop-down
  // list chooses the first entry with exactly that text (380 when none); on the other styles it
  // replaces the edit text and raises Change.
  std::string Text() const override;
  void SetText(std::string text) override;

  int16_t Style() const { return style_; }
  void SetStyle(int16_t style);

  std::function<void()> OnChange;

 private:
  std::vector<std::string> list_;
  int16_t listIndex_ = -1;
  std::string editText_;
  int16_t style_ = kDropdownCombo;
};

}  // namespace lumora::forms
