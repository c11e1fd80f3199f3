#include <windows.h>

#include <cstring>
#include <vector>

#include "contract/Failure.h"
#include "contract/WideText.h"
#include "hostlib/HostRegistry.h"
#include "hostlib/LiveRegistry.h"
#include "hostlib/RegistryTree.h"

namespace lumora {
namespace {

// An open key, closed with the last object that holds it (predefined roots are never closed).
struct OpenKey {
  OpenKey(HKEY k, bool own) : key(k), owned(own) {}
  ~OpenKey() {
    if (owned) ::RegCloseKey(key);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY key;
  bool owned;
};

Value Convert(DWORD type, const std::vector<BYTE>& data, DWORD size) {
  const auto text = [&] {
    std::wstring_view wide(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    // A text value ends at its first NUL: for a multi-string that is its first string.
    const size_t nul = wide.find(L'\0');
    return Narrow(nul == std::wstring_view::npos ? wide : wide.substr(0, nul));
  };
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ:
      return Value::String(text());
    case REG_DWORD:
      if (size == 4) {
        DWORD v = 0;
        std::memcpy(&v, data.data(), 4);
        return DwordValue(v);
      }
      break;
    case REG_QWORD:
      if (size == 8) {
        unsigned long long v = 0;
        std::memcpy(&v, data.data(), 8);
        return Value::String(std::to_string(v));
      }
      break;
    default:
      break;
  }
  return Value::String(
      HexPairs(std::string_view(reinterpret_cast<const char*>(data.data()), size)));
}

class LiveValue : public RegistryValue {
 public:
  LiveValue(std::string name, Value data) : name_(std::move(name)), data_(std::move(data)) {}
  Value Data() override { return data_; }
  std::string Name() override { return name_; }

 private:
  std::string name_;
  Value data_;
};

class LiveValues : public RegistryValues {
 public:
  explicit LiveValues(std::vector<std::shared_ptr<RegistryValue>> values)
      : values_(std::move(values)) {}
  std::shared_ptr<RegistryValue> Item(int16_t index) override {
    if (index < 1 || static_cast<size_t>(index) > values_.size()) Raise(kSubscriptOutOfRange);
    return values_[static_cast<size_t>(index - 1)];
  }
  int32_t Count() override { return static_cast<int32_t>(values_.size()); }

 private:
  std::vector<std::shared_ptr<RegistryValue>> values_;
};

class LiveKey : public RegistryKey {
 public:
  LiveKey(REGSAM view, std::shared_ptr<OpenKey> key) : view_(view), key_(std::move(key)) {}

  std::shared_ptr<RegistryValues> Values() override {
    std::vector<std::shared_ptr<RegistryValue>> values;
    if (!key_) return std::make_shared<LiveValues>(std::move(values));
    // Names are at most 16,383 characters; data grows when a value is longer than the buffer.
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(1024);
    for (DWORD i = 0; values.size() < 32767;) {
      DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size());
      DWORD type = 0;
      const LSTATUS status = ::RegEnumValueW(key_->key, i, name.data(), &nameSize, nullptr, &type,
                                             data.data(), &dataSize);
      if (status == ERROR_MORE_DATA) {
        data.resize(dataSize + sizeof(wchar_t));
        continue;
      }
      if (status != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS: all are listed
      values.push_back(std::make_shared<LiveValue>(Narrow(std::wstring_view(name.data(), nameSize)),
                                                   Convert(type, data, dataSize)));
      ++i;
    }
    return std::make_shared<LiveValues>(std::move(values));
  }

  void SetRoot(int32_t root) override {
    HKEY predefined = nullptr;
    if (root == kCurrentUserRoot) predefined = HKEY_CURRENT_USER;
    if (root == kLocalMachineRoot) predefined = HKEY_LOCAL_MACHINE;
    if (root == kClassesRoot) predefined = HKEY_CLASSES_ROOT;
    if (root == kUsersRoot) predefined = HKEY_USERS;
    if (root == kCurrentConfigRoot) predefined = HKEY_CURRENT_CONFIG;
    key_ = predefined ? std::make_shared<OpenKey>(predefined, false) : nullptr;
  }

  std::shared_ptr<RegistryKey> OpenSubKey(const std::string& path, int32_t& /*access*/) override {
    if (!key_) return nullptr;
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(key_->key, Widen(path).c_str(), 0, KEY_READ | view_, &opened) !=
        ERROR_SUCCESS) {
      return nullptr;
    }
    return std::make_shared<LiveKey>(view_, std::make_shared<OpenKey>(opened, true));
  }

 private:
  REGSAM view_;
  std::shared_ptr<OpenKey> key_;
};

}  // namespace

std::shared_ptr<RegistryKey> NewLiveRegistryKey(int bits) {
  return std::make_shared<LiveKey>(bits == 64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY, nullptr);
}

}  // namespace lumora
