// The host's registry objects, read only. A RegistryKey is set to a root (an opaque number from
// RegistryConstants), then opens a sub key by path; the opened key lists its values in the
// host's value order. How the data of non-text values becomes text is the source's business:
// Data() gives a value the caller converts with ToString().
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "contract/Value.h"

namespace lumora {

class RegistryValue {
 public:
  virtual ~RegistryValue() = default;
  virtual Value Data() = 0;
  virtual std::string Name() = 0;  // empty for a key's default value
};

class RegistryValues {
 public:
  virtual ~RegistryValues() = default;
  virtual std::shared_ptr<RegistryValue> Item(int16_t index) = 0;  // 1-based; 9 out of range
  virtual int32_t Count() = 0;
};

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  virtual std::shared_ptr<RegistryValues> Values() = 0;
  virtual void SetRoot(int32_t root) = 0;
  // The key at `path` below the root, or null when it does not exist or cannot be opened.
  virtual std::shared_ptr<RegistryKey> OpenSubKey(const std::string& path, int32_t& access) = 0;
};

class RegistryConstants {
 public:
  virtual ~RegistryConstants() = default;
  virtual int32_t ReadAccess() = 0;
  virtual int32_t CurrentUserRoot() = 0;
  virtual int32_t LocalMachineRoot() = 0;
};

}  // namespace lumora
