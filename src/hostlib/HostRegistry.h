// The host's registry objects (RegistryKey, RegistryValues, RegistryValue, RegistryConstants)
// over a RegistryTree that a registry source built. The tree is shared and read only; every
// object keeps it alive. Value data reaches the component as the sources stored it:
//   REG_SZ, REG_EXPAND_SZ  the text as stored (environment references are not expanded)
//   REG_DWORD              an Integer; one above 2147483647 as the text of its unsigned number
//   REG_QWORD              the text of its unsigned decimal number
//   REG_MULTI_SZ           its first string, as a profile read returns it
//   anything else          the bytes as lower-case hex pairs separated by commas ("01,0a,ff")
#pragma once

#include <memory>

#include "contract/Registry.h"
#include "hostlib/RegistryTree.h"

namespace lumora {

class TreeRegistryKey : public RegistryKey {
 public:
  explicit TreeRegistryKey(std::shared_ptr<const RegistryTree> tree,
                           const RegistryTreeKey* key = nullptr);

  // The values of the opened key; an empty list before a key was opened or a root was set.
  std::shared_ptr<RegistryValues> Values() override;
  // Makes this object stand for the root key of that number (unknown roots hold nothing).
  void SetRoot(int32_t root) override;
  // The key at `path` below this one; null when there is none. `access` is not changed.
  std::shared_ptr<RegistryKey> OpenSubKey(const std::string& path, int32_t& access) override;

 private:
  std::shared_ptr<const RegistryTree> tree_;
  const RegistryTreeKey* key_;
};

class TreeRegistryConstants : public RegistryConstants {
 public:
  int32_t ReadAccess() override { return kKeyReadAccess; }
  int32_t CurrentUserRoot() override { return kCurrentUserRoot; }
  int32_t LocalMachineRoot() override { return kLocalMachineRoot; }
};

// Text helpers the registry sources share for the data forms above.
std::string HexPairs(std::string_view bytes);
Value DwordValue(uint32_t value);

}  // namespace lumora
