// A record's name as the collections see it. Collections look names up in an index instead of
// scanning every member; the index stays exact because renaming a record that some collection
// holds moves a process-wide generation on, which makes every collection rebuild its index
// before its next look-up. Renaming a record that no collection holds costs nothing.
#pragma once

#include <cstdint>
#include <string>

namespace lumora {

class MemberName {
 public:
  MemberName() = default;
  // A copy is a new record's name: no collection holds it yet.
  MemberName(const MemberName& other) : value_(other.value_) {}
  MemberName& operator=(const MemberName& other) {
    set(other.value_);
    return *this;
  }

  const std::string& get() const { return value_; }
  void set(std::string value) {
    value_ = std::move(value);
    if (holders_ > 0) ++Generation();
  }

  // Called by collections when they take in or let go of the record.
  void Hold() const { ++holders_; }
  void Release() const { --holders_; }

  // Moves on whenever a held record is renamed.
  static uint64_t& Generation() {
    static uint64_t generation = 0;
    return generation;
  }

 private:
  std::string value_;
  mutable int32_t holders_ = 0;
};

}  // namespace lumora
