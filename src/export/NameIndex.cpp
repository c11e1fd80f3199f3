#include "export/NameIndex.h"

#include <functional>

namespace lumora::exporting {

void NameIndex::Expect(size_t count) {
  entries_.reserve(count);
  size_t slots = 16;
  while (slots < 2 * count) slots *= 2;
  if (slots <= slots_.size()) return;
  std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(slots));
  for (const Slot& slot : old) {
    if (slot.entry == 0) continue;
    size_t i = slot.hash & (slots - 1);
    while (slots_[i].entry != 0) i = (i + 1) & (slots - 1);
    slots_[i] = slot;
  }
}

size_t NameIndex::SlotOf(std::string_view name, uint32_t hash) const {
  const size_t mask = slots_.size() - 1;
  size_t i = hash & mask;
  for (; slots_[i].entry != 0; i = (i + 1) & mask) {
    if (slots_[i].hash != hash) continue;
    const Entry& entry = entries_[slots_[i].entry - 1];
    if (entry.length == name.size() &&
        std::string_view(names_).substr(entry.at, entry.length) == name) {
      break;
    }
  }
  return i;
}

std::pair<size_t*, bool> NameIndex::TryEmplace(std::string_view name, size_t value) {
  if (2 * (entries_.size() + 1) > slots_.size()) Expect(2 * (entries_.size() + 1));
  const auto hash = static_cast<uint32_t>(std::hash<std::string_view>()(name));
  Slot& slot = slots_[SlotOf(name, hash)];
  if (slot.entry != 0) return {&entries_[slot.entry - 1].value, false};
  entries_.push_back({names_.size(), name.size(), value});
  slot = {hash, static_cast<uint32_t>(entries_.size())};
  names_ += name;
  return {&entries_.back().value, true};
}

const size_t* NameIndex::Find(std::string_view name) const {
  if (slots_.empty()) return nullptr;
  const Slot& slot =
      slots_[SlotOf(name, static_cast<uint32_t>(std::hash<std::string_view>()(name)))];
  return slot.entry == 0 ? nullptr : &entries_[slot.entry - 1].value;
}

}  // namespace lumora::exporting
