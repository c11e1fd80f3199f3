// The ordered, keyless, name-identified collection behind Drivers, Translators and DataSources.
// Positions are 1-based and dense; members are shared records; names compare exactly. Add skips
// a record whose name is already held; Remove drops the first member of that name. Count and
// positions are 16-bit: with 32768 members Count fails with error 6. Item, Add, Remove and
// RemoveAll trap failures and report them under the family's names ("Drivers:Add").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/contract/Int16.h"
#include "host/contract/Trap.h"

namespace lumora {

template <class Record, class Family>
class ItemCollection {
 public:
  using Ptr = std::shared_ptr<Record>;
  using const_iterator = typename std::vector<Ptr>::const_iterator;

  int16_t Count() const { return ToInt16(static_cast<int64_t>(members_.size())); }

  // The member at 1-based `nIndex`, or null (unreported) when out of range.
  Ptr Item(int16_t nIndex) const {
    Ptr result;
    Trap(Family::kItemGet, [&] {
      if (nIndex >= 1 && nIndex <= Count()) result = members_[nIndex - 1];
    });
    return result;
  }

  void Add(const Ptr& record) {
    Trap(Family::kAdd, [&] {
      if (!record) Raise(kObjectNotSet);
      const std::string& name = record->Name();
      for (int16_t i = 1, n = Count(); i <= n; ++i) {
        if (members_[i - 1]->Name() == name) return;
        if (i == INT16_MAX) break;
      }
      members_.push_back(record);
    });
  }

  void Remove(const Ptr& record) {
    Trap(Family::kRemove, [&] {
      if (!record) Raise(kObjectNotSet);
      const std::string name = record->Name();
      for (int16_t i = 1, n = Count(); i <= n; ++i) {
        if (members_[i - 1]->Name() == name) {
          members_.erase(members_.begin() + (i - 1));
          return;
        }
        if (i == INT16_MAX) break;
      }
    });
  }

  void RemoveAll() {
    Trap(Family::kRemoveAll, [&] {
      for (int16_t i = Count(); i >= 1; --i) members_.erase(members_.begin() + (i - 1));
    });
  }

  // NewEnum: iteration over the members in position order.
  const_iterator begin() const { return members_.begin(); }
  const_iterator end() const { return members_.end(); }

 private:
  std::vector<Ptr> members_;
};

}  // namespace lumora
