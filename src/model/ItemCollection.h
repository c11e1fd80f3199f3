// The ordered, keyless, name-identified collection behind Drivers, Translators and DataSources.
// Positions are 1-based and dense; members are shared records; names compare exactly. Add skips
// a record whose name is already held; Remove drops the first member of that name. Count and
// positions are 16-bit: with 32768 members Count fails with error 6. Item, Add, Remove and
// RemoveAll trap failures and report them under the family's names ("Drivers:Add").
// Add and Remove look the name up in an index of the members' names (see MemberName.h), so
// filling a collection stays linear however many records it takes, and removing a name that is
// not held walks nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "contract/Int16.h"
#include "contract/Trap.h"
#include "model/MemberName.h"

namespace lumora {

template <class Record, class Family>
class ItemCollection {
 public:
  using Ptr = std::shared_ptr<Record>;
  using const_iterator = typename std::vector<Ptr>::const_iterator;

  ItemCollection() = default;
  ItemCollection(const ItemCollection&) = delete;
  ItemCollection& operator=(const ItemCollection&) = delete;
  ~ItemCollection() {
    for (const Ptr& member : members_) member->NameHandle().Release();
  }

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
      Count();  // the scan's 16-bit bound: a 32768-member collection refuses more
      if (Names().count(record->Name()) != 0) return;
      members_.push_back(record);
      record->NameHandle().Hold();
      ++names_[record->Name()];
    });
  }

  void Remove(const Ptr& record) {
    Trap(Family::kRemove, [&] {
      if (!record) Raise(kObjectNotSet);
      const std::string name = record->Name();
      const int16_t count = Count();
      if (Names().count(name) == 0) return;  // not held: nothing to walk
      for (int16_t i = 1; i <= count; ++i) {
        if (members_[i - 1]->Name() == name) {
          Drop(i);
          return;
        }
        if (i == INT16_MAX) break;
      }
    });
  }

  void RemoveAll() {
    Trap(Family::kRemoveAll, [&] {
      for (int16_t i = Count(); i >= 1; --i) Drop(i);
    });
  }

  // Whether a member has exactly this name (through the index, walking nothing).
  bool Holds(const std::string& name) { return Names().count(name) != 0; }

  // NewEnum: iteration over the members in position order.
  const_iterator begin() const { return members_.begin(); }
  const_iterator end() const { return members_.end(); }

 private:
  // The members' names with how many members carry each, rebuilt when a held record was
  // renamed since it was last built.
  const std::unordered_map<std::string, int32_t>& Names() {
    if (namesGeneration_ != MemberName::Generation()) {
      names_.clear();
      for (const Ptr& member : members_) ++names_[member->Name()];
      namesGeneration_ = MemberName::Generation();
    }
    return names_;
  }

  void Drop(int16_t position) {
    Names();  // bring the index up to date before it loses the member
    const Ptr member = members_[position - 1];
    members_.erase(members_.begin() + (position - 1));
    member->NameHandle().Release();
    auto it = names_.find(member->Name());
    if (it != names_.end() && --it->second == 0) names_.erase(it);
  }

  std::vector<Ptr> members_;
  std::unordered_map<std::string, int32_t> names_;
  uint64_t namesGeneration_ = 0;
};

}  // namespace lumora
