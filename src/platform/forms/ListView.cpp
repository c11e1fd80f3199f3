#include "platform/forms/ListView.h"

#include "contract/Failure.h"

namespace lumora::forms {

ListItem::ListItem(ListView& owner, std::string key, std::string text)
    : owner_(owner), key_(std::move(key)), text_(std::move(text)) {}

void ListItem::SetText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
  owner_.EntriesChanged();
}

void ListItem::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  owner_.EntriesChanged();
}

int32_t ListItem::Index() const {
  int32_t i = 1;
  for (const auto& item : owner_.ListItems()) {
    if (item.get() == this) return i;
    ++i;
  }
  return 0;
}

ColumnHeader::ColumnHeader(ListView& owner, std::string key, std::string text, int32_t width)
    : owner_(owner), key_(std::move(key)), text_(std::move(text)), width_(width) {}

void ColumnHeader::SetText(std::string text) {
  if (text_ == text) return;
  text_ = std::move(text);
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
  for (const auto& entry : entries_) {
    if (!key.empty() && entry->Key() == key) return *entry;
  }
  Raise(kElementNotFound, "Element not found", kComponentSource);
}

template <class Entry>
void KeyedEntries<Entry>::Remove(int32_t index) {
  if (index < 1 || index > Count()) Raise(kIndexOutOfBounds);
  entries_.erase(entries_.begin() + (index - 1));
  owner_.EntriesChanged();
}

template <class Entry>
void KeyedEntries<Entry>::Clear() {
  if (entries_.empty()) return;
  entries_.clear();
  owner_.EntriesChanged();
}

template <class Entry>
Entry& KeyedEntries<Entry>::Insert(int32_t index, std::unique_ptr<Entry> entry) {
  if (index == 0) index = Count() + 1;
  if (index < 1 || index > Count() + 1) Raise(kIndexOutOfBounds);
  if (!entry->Key().empty()) {
    for (const auto& held : entries_) {
      if (held->Key() == entry->Key()) Raise(kKeyNotUnique);
    }
  }
  Entry& added = *entry;
  entries_.insert(entries_.begin() + (index - 1), std::move(entry));
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
