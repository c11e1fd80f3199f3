// A list view with its ListItems (key, text, check mark) and ColumnHeaders (key, text, width,
// Tag). Collections are 1-based; a duplicate key fails with 35602 "Key is not unique in
// collection", an index out of range with 35600, an unknown key with 35601. Setting an item's
// Checked in code raises nothing; a person ticking an item raises ItemCheck (with Checked
// already holding the new state) and then the list's Click (see UserInput::Tick).
// Keys are looked up in an index, so filling a list stays linear however long it grows; the
// first entry of a text is found through an index built on demand and dropped whenever an entry
// comes, goes or changes its text.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/forms/Control.h"

namespace lumora::forms {

class ListView;

// Classic View values.
enum ListViewView : int16_t { kIcon = 0, kSmallIcon = 1, kList = 2, kReport = 3 };

inline constexpr int32_t kElementNotFound = 35601;

class ListItem {
 public:
  ListItem(ListView& owner, std::string key, std::string text);
  const std::string& Key() const { return key_; }
  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  const std::string& Tag() const { return tag_; }
  void SetTag(std::string tag) { tag_ = std::move(tag); }
  // The item's 1-based position in its list.
  int32_t Index() const;

 private:
  ListView& owner_;
  std::string key_;
  std::string text_;
  bool checked_ = false;
  std::string tag_;
};

class ColumnHeader {
 public:
  ColumnHeader(ListView& owner, std::string key, std::string text, int32_t width);
  const std::string& Key() const { return key_; }
  const std::string& Text() const { return text_; }
  void SetText(std::string text);
  int32_t Width() const { return width_; }
  void SetWidth(int32_t twips);
  const std::string& Tag() const { return tag_; }
  void SetTag(std::string tag) { tag_ = std::move(tag); }

 private:
  ListView& owner_;
  std::string key_;
  std::string text_;
  int32_t width_;
  std::string tag_;
};

// The shared shape of ListItems and ColumnHeaders: owned entries, 1-based, keys unique when
// given ("" means no key).
template <class Entry>
class KeyedEntries {
 public:
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  Entry& Item(int32_t index) const;
  Entry& Item(const std::string& key) const;
  void Remove(int32_t index);
  void Clear();
  // Room for `count` entries, so that filling the list does not grow its index step by step.
  void Reserve(size_t count);
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }
  // The 1-based position of the first entry whose text is exactly `text`, or 0.
  int32_t FirstIndexOfText(const std::string& text) const;
  // The 1-based position of `entry`, or 0 when it is not one of these entries.
  int32_t IndexOf(const Entry& entry) const;

 protected:
  explicit KeyedEntries(ListView& owner) : owner_(owner) {}
  // Inserts at 1-based `index` (0: at the end); 35602 for a duplicate key, 35600 for a bad index.
  Entry& Insert(int32_t index, std::unique_ptr<Entry> entry);
  // Forgets the positions found so far (an entry came, went or was moved).
  void PositionsMoved() const;
  ListView& owner_;
  std::vector<std::unique_ptr<Entry>> entries_;
  // The non-empty keys, viewing the entries' own (fixed) key strings.
  std::unordered_map<std::string_view, Entry*> keys_;
  // Built on demand: the first position of each text (viewing the entries' texts, so dropped
  // whenever a text changes), and every entry's position.
  mutable std::unordered_map<std::string_view, int32_t> firstOfText_;
  mutable std::unordered_map<const Entry*, int32_t> positions_;
  mutable bool textsKnown_ = false;
  mutable bool positionsKnown_ = false;
  int32_t checked_ = 0;  // entries with a check mark (list items only)
  friend class ListItem;
  friend class ColumnHeader;
};

class ListItemCollection : public KeyedEntries<ListItem> {
 public:
  explicit ListItemCollection(ListView& owner) : KeyedEntries(owner) {}
  ListItem& Add(int32_t index = 0, std::string key = {}, std::string text = {});
  // How many entries are checked.
  int32_t CheckedCount() const { return checked_; }
};

class ColumnHeaderCollection : public KeyedEntries<ColumnHeader> {
 public:
  explicit ColumnHeaderCollection(ListView& owner) : KeyedEntries(owner) {}
  ColumnHeader& Add(int32_t index = 0, std::string key = {}, std::string text = {},
                    int32_t width = 1440);
};

class ListView : public Control {
 public:
  ListView(std::string name, int16_t index);
  const char* TypeName() const override { return "ListView"; }
  bool CanHaveFocus() const override { return true; }

  ListItemCollection& ListItems() { return items_; }
  const ListItemCollection& ListItems() const { return items_; }
  ColumnHeaderCollection& ColumnHeaders() { return columns_; }
  const ColumnHeaderCollection& ColumnHeaders() const { return columns_; }

  int16_t View() const { return view_; }
  void SetView(int16_t view);
  bool HideColumnHeaders() const { return hideColumnHeaders_; }
  void SetHideColumnHeaders(bool on);
  bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool on);

  // A person toggled an item's check box; Checked holds the new state already.
  std::function<void(ListItem& item)> OnItemCheck;

  // Called by the entries when they change (observers hear ItemsChanged).
  void EntriesChanged() {
    if (held_ > 0) {
      changedWhileHeld_ = true;
    } else {
      NotifyItemsChanged();
    }
  }

  // While a HeldNotifications lives, changes to the entries are told to observers once, when
  // the last one ends, so a window shows a list filled entry by entry in one pass.
  class HeldNotifications {
   public:
    explicit HeldNotifications(ListView& list) : list_(list) { ++list_.held_; }
    ~HeldNotifications() {
      if (--list_.held_ == 0 && list_.changedWhileHeld_) {
        list_.changedWhileHeld_ = false;
        list_.NotifyItemsChanged();
      }
    }
    HeldNotifications(const HeldNotifications&) = delete;
    HeldNotifications& operator=(const HeldNotifications&) = delete;

   private:
    ListView& list_;
  };

 private:
  ListItemCollection items_;
  ColumnHeaderCollection columns_;
  int16_t view_ = kIcon;
  bool hideColumnHeaders_ = false;
  bool checkboxes_ = false;
  int32_t held_ = 0;
  bool changedWhileHeld_ = false;
};

}  // namespace lumora::forms
