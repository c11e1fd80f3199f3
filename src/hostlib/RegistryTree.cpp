#include "hostlib/RegistryTree.h"

#include "contract/Text.h"

namespace lumora {

size_t KeyDepth(std::string_view path) {
  size_t depth = 0;
  bool inside = false;
  for (char c : path) {
    if (c == '\\') {
      inside = false;
    } else if (!inside) {
      inside = true;
      ++depth;
    }
  }
  return depth;
}
namespace {

// The non-empty backslash-separated components of a key path.
std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

RegistryTreeKey* RegistryTreeKey::Child(std::string_view name) const {
  auto it = children_.find(UCase(name));
  return it == children_.end() ? nullptr : it->second.get();
}

RegistryTreeKey& RegistryTreeKey::ChildOrNew(std::string_view name) {
  auto& slot = children_[UCase(name)];
  if (!slot) slot = std::make_unique<RegistryTreeKey>(std::string(name));
  return *slot;
}

bool RegistryTreeKey::RemoveChild(std::string_view name) {
  return children_.erase(UCase(name)) > 0;
}

std::unique_ptr<RegistryTreeKey> RegistryTreeKey::TakeChild(std::string_view name) {
  auto it = children_.find(UCase(name));
  if (it == children_.end()) return nullptr;
  std::unique_ptr<RegistryTreeKey> child = std::move(it->second);
  children_.erase(it);
  return child;
}

void RegistryTreeKey::PutChild(std::unique_ptr<RegistryTreeKey> child) {
  const std::string upper = UCase(child->name());
  children_[upper] = std::move(child);
}

void RegistryTreeKey::SetValue(std::string name, Value data) {
  auto [it, added] = valueIndex_.try_emplace(UCase(name), values_.size());
  if (!added) {
    values_[it->second].data = std::move(data);
    return;
  }
  values_.push_back({std::move(name), std::move(data)});
}

bool RegistryTreeKey::RemoveValue(std::string_view name) {
  auto it = valueIndex_.find(UCase(name));
  if (it == valueIndex_.end()) return false;
  const size_t position = it->second;
  valueIndex_.erase(it);
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(position));
  for (auto& entry : valueIndex_) {
    if (entry.second > position) --entry.second;
  }
  return true;
}

bool RegistryTreeKey::HasValue(std::string_view name) const {
  return valueIndex_.count(UCase(name)) > 0;
}

RegistryTreeKey& RegistryTree::Root(int32_t root) {
  auto& slot = roots_[root];
  if (!slot) slot = std::make_unique<RegistryTreeKey>(std::string());
  return *slot;
}

RegistryTreeKey* RegistryTree::FindRoot(int32_t root) const {
  auto it = roots_.find(root);
  return it == roots_.end() ? nullptr : it->second.get();
}

void RegistryTree::SetRoot(int32_t root, std::unique_ptr<RegistryTreeKey> key) {
  roots_[root] = std::move(key);
}

void UseRegistryView(RegistryTree& tree, int bits) {
  if (bits != 32) return;
  RegistryTreeKey* machine = tree.FindRoot(kLocalMachineRoot);
  RegistryTreeKey* software = machine == nullptr ? nullptr : machine->Child("Software");
  RegistryTreeKey* wow = software == nullptr ? nullptr : software->Child("Wow6432Node");
  if (wow == nullptr) return;
  software->RemoveChild("ODBC");
  if (std::unique_ptr<RegistryTreeKey> odbc = wow->TakeChild("ODBC")) {
    software->PutChild(std::move(odbc));
  }
}

const RegistryTreeKey* RegistryTree::Find(const RegistryTreeKey* from, std::string_view path) {
  const RegistryTreeKey* key = from;
  for (std::string_view part : SplitPath(path)) {
    if (key == nullptr) return nullptr;
    key = key->Child(part);
  }
  return key;
}

RegistryTreeKey& RegistryTree::Create(RegistryTreeKey& from, std::string_view path) {
  RegistryTreeKey* key = &from;
  for (std::string_view part : SplitPath(path)) key = &key->ChildOrNew(part);
  return *key;
}

bool RegistryTree::Remove(RegistryTreeKey& from, std::string_view path) {
  std::vector<std::string_view> parts = SplitPath(path);
  if (parts.empty()) return false;
  RegistryTreeKey* parent = &from;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    parent = parent->Child(parts[i]);
    if (parent == nullptr) return false;
  }
  return parent->RemoveChild(parts.back());
}

}  // namespace lumora
