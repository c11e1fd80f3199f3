#include "hostlib/HostRegistry.h"

#include "contract/Failure.h"

namespace lumora {
namespace {

class TreeRegistryValue : public RegistryValue {
 public:
  TreeRegistryValue(std::shared_ptr<const RegistryTree> tree, const RegistryTreeValue& value)
      : tree_(std::move(tree)), value_(value) {}
  Value Data() override { return value_.data; }
  std::string Name() override { return value_.name; }

 private:
  std::shared_ptr<const RegistryTree> tree_;  // keeps value_ alive
  const RegistryTreeValue& value_;
};

class TreeRegistryValues : public RegistryValues {
 public:
  TreeRegistryValues(std::shared_ptr<const RegistryTree> tree, const RegistryTreeKey* key)
      : tree_(std::move(tree)), key_(key) {}

  std::shared_ptr<RegistryValue> Item(int16_t index) override {
    if (key_ == nullptr || index < 1 || static_cast<size_t>(index) > key_->values().size()) {
      Raise(kSubscriptOutOfRange);
    }
    return std::make_shared<TreeRegistryValue>(tree_, key_->values()[index - 1]);
  }

  int32_t Count() override {
    if (key_ == nullptr) return 0;
    const size_t n = key_->values().size();
    return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
  }

 private:
  std::shared_ptr<const RegistryTree> tree_;
  const RegistryTreeKey* key_;
};

}  // namespace

TreeRegistryKey::TreeRegistryKey(std::shared_ptr<const RegistryTree> tree,
                                 const RegistryTreeKey* key)
    : tree_(std::move(tree)), key_(key) {}

std::shared_ptr<RegistryValues> TreeRegistryKey::Values() {
  return std::make_shared<TreeRegistryValues>(tree_, key_);
}

void TreeRegistryKey::SetRoot(int32_t root) {
  key_ = tree_ ? tree_->FindRoot(root) : nullptr;
}

std::shared_ptr<RegistryKey> TreeRegistryKey::OpenSubKey(const std::string& path,
                                                         int32_t& /*access*/) {
  if (key_ == nullptr) return nullptr;
  const RegistryTreeKey* found = RegistryTree::Find(key_, path);
  if (found == nullptr) return nullptr;
  return std::make_shared<TreeRegistryKey>(tree_, found);
}

std::string HexPairs(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) out.push_back(',');
    const auto b = static_cast<unsigned char>(bytes[i]);
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

Value DwordValue(uint32_t value) {
  if (value <= static_cast<uint32_t>(INT32_MAX)) return Value::Integer(static_cast<int32_t>(value));
  return Value::String(std::to_string(value));
}

}  // namespace lumora
