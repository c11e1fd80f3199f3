// An in-memory registry: roots (the classic HKEY numbers) holding trees of keys, each key with
// its values in the order they were set. Key and value names compare ignoring case, as the
// platform's registry does. The registry sources (a .reg export, unixODBC's files) build one
// tree when the host starts; the registry objects handed to the component read it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "contract/Value.h"

namespace lumora {

// The platform's registry is at most 512 levels deep; a deeper path is refused rather than
// built into a tree whose teardown would recurse once per level.
inline constexpr size_t kMaxKeyDepth = 512;
// The number of non-empty backslash-separated components of a key path.
size_t KeyDepth(std::string_view path);

// The classic root numbers, as 32-bit integers.
inline constexpr int32_t kClassesRoot = static_cast<int32_t>(0x80000000u);
inline constexpr int32_t kCurrentUserRoot = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t kLocalMachineRoot = static_cast<int32_t>(0x80000002u);
inline constexpr int32_t kUsersRoot = static_cast<int32_t>(0x80000003u);
inline constexpr int32_t kCurrentConfigRoot = static_cast<int32_t>(0x80000005u);
inline constexpr int32_t kDynDataRoot = static_cast<int32_t>(0x80000006u);
// KEY_READ: the access value the registry objects report for reading.
inline constexpr int32_t kKeyReadAccess = 0x20019;

struct RegistryTreeValue {
  std::string name;  // "" for the key's default value
  Value data;        // already in the form the component reads (see HostRegistry.h)
};

class RegistryTreeKey {
 public:
  explicit RegistryTreeKey(std::string name) : name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  const std::vector<RegistryTreeValue>& values() const { return values_; }

  // The direct sub key of that name (ignoring case), or null.
  RegistryTreeKey* Child(std::string_view name) const;
  // The direct sub key of that name, created when missing.
  RegistryTreeKey& ChildOrNew(std::string_view name);
  // Removes the direct sub key (and its subtree); false when there was none.
  bool RemoveChild(std::string_view name);
  // Takes the direct sub key out of this key (null when there is none).
  std::unique_ptr<RegistryTreeKey> TakeChild(std::string_view name);
  // Puts `child` under this key, in place of one of the same name.
  void PutChild(std::unique_ptr<RegistryTreeKey> child);
  // The direct sub keys by upper-cased name.
  const std::map<std::string, std::unique_ptr<RegistryTreeKey>>& children() const {
    return children_;
  }

  // Sets a value: one of the same name (ignoring case) is replaced in place, a new one is
  // appended after the others.
  void SetValue(std::string name, Value data);
  // Removes a value; false when there was none.
  bool RemoveValue(std::string_view name);
  // True when a value of that name (ignoring case) is held.
  bool HasValue(std::string_view name) const;

 private:
  std::string name_;
  std::vector<RegistryTreeValue> values_;
  std::unordered_map<std::string, size_t> valueIndex_;  // upper-cased name -> position
  std::map<std::string, std::unique_ptr<RegistryTreeKey>> children_;  // by upper-cased name
};

class RegistryTree {
 public:
  // The root key of that number, created when missing.
  RegistryTreeKey& Root(int32_t root);
  // The root key, or null when nothing was ever put under it.
  RegistryTreeKey* FindRoot(int32_t root) const;
  // Makes `key` the root of that number, in place of the one there.
  void SetRoot(int32_t root, std::unique_ptr<RegistryTreeKey> key);

  // The key at `path` below `from` ("A\B\C"; empty components are skipped), or null.
  static const RegistryTreeKey* Find(const RegistryTreeKey* from, std::string_view path);
  // The key at `path` below `from`, created with its missing parents.
  static RegistryTreeKey& Create(RegistryTreeKey& from, std::string_view path);
  // Removes the key at `path` below `from` with its subtree; false when it did not exist.
  static bool Remove(RegistryTreeKey& from, std::string_view path);

 private:
  std::map<int32_t, std::unique_ptr<RegistryTreeKey>> roots_;
};

// What a 32-bit program sees (`bits` 32) of a 64-bit machine's registry: when the machine root
// holds Software\Wow6432Node, its ODBC keys are the ones under it (the user's keys are shared).
// With `bits` 64, or without Wow6432Node, the tree stays as it is.
void UseRegistryView(RegistryTree& tree, int bits);

}  // namespace lumora
