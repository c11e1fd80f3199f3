#include "platform/forms/ListView.h"

#include <type_traits>

#include "contract/Failure.h"

namespace lumora::forms {

ListItem::ListItem(ListView& owner, std::string key, std::string text)
    : owner_(owner), key_(std::move(key)), text_(std::move(text)) {}

void ListItem::SetText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
  owner_.ListItems().textsKnown_ = false;
  owner_.ListItems().firstOfText_.clear();
  owner_.EntriesChanged();
}

void ListItem::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  owner_.ListItems().checked_ += checked ? 1 : -1;
  owner_.EntriesChanged();
}

int32_t ListItem::Index() const {
  return owner_.ListItems().IndexOf(*this);
}

ColumnHeader::ColumnHeader(ListView& owner, std::string key, std::string text, int32_t width)
    : owner_(owner), key_(std::move(key)), text_(std::move(text)), width_(width) {}

void ColumnHeader::SetText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
  owner_.ColumnHeaders().textsKnown_ = false;
  owner_.ColumnHeaders().firstOfText_.clear();
  owner_.EntriesChanged();
}

void ColumnHeader::SetWidth(int32_t twips) {
  if (twips < 0) Raise(kInvalidPropertyValue);
  if (width_ == twips) return;
  width_ = twips;
  owner_.EntriesChanged();
}

template <class Entry>
Entry& KeyedEntries<Entry>::Item(int32_t index) const {
  if (index < 1 || index > Count()) Raise(kIndexOutOfBounds);
  return *entries_[static_cast<size_t>(index - 1)];
}

template <class Entry>
Entry& KeyedEntries<Entry>::Item(const std::string& key) const {
  if (!key.empty()) {
    auto it = keys_.find(key);
    if (it != keys_.end()) return *it->second;
  }
  Raise(kElementNotFound, "Element not found", kComponentSource);
}

template <class Entry>
int32_t KeyedEntries<Entry>::FirstIndexOfText(const std::string& text) const {
  if (!textsKnown_) {
    firstOfText_.clear();
    for (int32_t i = Count(); i >= 1; --i) firstOfText_[entries_[i - 1]->Text()] = i;
    textsKnown_ = true;
  }
  auto it = firstOfText_.find(text);
  return it == firstOfText_.end() ? 0 : it->second;
}

template <class Entry>
int32_t KeyedEntries<Entry>::IndexOf(const Entry& entry) const {
  if (!positionsKnown_) {
    positions_.clear();
    for (int32_t i = 1; i <= Count(); ++i) positions_[entries_[i - 1].get()] = i;
    positionsKnown_ = true;
  }
  auto it = positions_.find(&entry);
  return it == positions_.end() ? 0 : it->second;
}

template <class Entry>
void KeyedEntries<Entry>::PositionsMoved() const {
  textsKnown_ = false;
  positionsKnown_ = false;
  firstOfText_.clear();
  positions_.clear();
}

template <class Entry>
void KeyedEntries<Entry>::Remove(int32_t index) {
  if (index < 1 || index > Count()) Raise(kIndexOutOfBounds);
  const Entry& leaving = *entries_[static_cast<size_t>(index - 1)];
  if (!leaving.Key().empty()) keys_.erase(leaving.Key());
  if constexpr (std::is_same_v<Entry, ListItem>) {
    if (leaving.Checked()) --checked_;
  }
  entries_.erase(entries_.begin() + (index - 1));
  PositionsMoved();
  owner_.EntriesChanged();
}

template <class Entry>
void KeyedEntries<Entry>::Clear() {
  if (entries_.empty()) return;
  entries_.clear();
  keys_.clear();
  checked_ = 0;
  PositionsMoved();
  owner_.EntriesChanged();
}

template <class Entry>
void KeyedEntries<Entry>::Reserve(size_t count) {
  entries_.reserve(count);
  keys_.reserve(count);
}

template <class Entry>
Entry& KeyedEntries<Entry>::Insert(int32_t index, std::unique_ptr<Entry> entry) {
  if (index == 0) index = Count() + 1;
  if (index < 1 || index > Count() + 1) Raise(kIndexOutOfBounds);
  Entry& added = *entry;
  if (!added.Key().empty() && !keys_.try_emplace(added.Key(), &added).second) {
    Raise(kKeyNotUnique);
  }
  if constexpr (std::is_same_v<Entry, ListItem>) {
    if (added.Checked()) ++checked_;
  }
  const bool atEnd = index == Count() + 1;
  entries_.insert(entries_.begin() + (index - 1), std::move(entry));
  if (atEnd) {
    // Nothing moved: the known positions stay right, and the new entry is the first of its
    // text only when no entry before it has that text.
    if (positionsKnown_) positions_.emplace(&added, index);
    if (textsKnown_) firstOfText_.emplace(added.Text(), index);
  } else {
    PositionsMoved();
  }
  owner_.EntriesChanged();
  return added;
}

template class KeyedEntries<ListItem>;
template class KeyedEntries<ColumnHeader>;

ListItem& ListItemCollection::Add(int32_t index, std::string key, std::string text) {
  return Insert(index, std::make_unique<ListItem>(owner_, std::move(key), std::move(text)));
}

ColumnHeader& ColumnHeaderCollection::Add(int32_t index, std::string key, std::string text,
                                          int32_t width) {
  if (width < 0) Raise(kInvalidPropertyValue);
  return Insert(index,
                std::make_unique<ColumnHeader>(owner_, std::move(key), std::move(text), width));
}

ListView::ListView(std::string name, int16_t index)
    : Control(std::move(name), index), items_(*this), columns_(*this) {}

void ListView::SetView(int16_t view) {
  if (view < kIcon || view > kReport) Raise(kInvalidPropertyValue);
  if (view_ == view) return;
  view_ = view;
  NotifyChanged(Property::View);
}

void ListView::SetHideColumnHeaders(bool on) {
  if (hideColumnHeaders_ == on) return;
  hideColumnHeaders_ = on;
  NotifyChanged(Property::HideColumnHeaders);
}

void ListView::SetCheckboxes(bool on) {
  if (checkboxes_ == on) return;
  checkboxes_ = on;
  NotifyChanged(Property::Checkboxes);
}

}  // namespace lumora::forms
