// Fuzzes the Wine registry-file reader on raw file bytes. A file is either refused with a
// HostError naming "user.reg:LINE" or gives keys whose values can all be read, every name
// and text valid UTF-8.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "contract/HostError.h"
#include "contract/Text.h"
#include "hostlib/WineRegistry.h"

using lumora::fuzz::Check;

namespace {

// Walks the tree without recursion (a deep key path must not exhaust the stack).
size_t Touch(const lumora::RegistryTreeKey& root) {
  size_t total = 0;
  std::vector<const lumora::RegistryTreeKey*> pending{&root};
  while (!pending.empty()) {
    const lumora::RegistryTreeKey* key = pending.back();
    pending.pop_back();
    Check(lumora::IsValidUtf8(key->name()), "a key name is not valid UTF-8");
    for (const lumora::RegistryTreeValue& v : key->values()) {
      Check(key->HasValue(v.name), "a value of a key cannot be found by its own name");
      const std::string text = v.data.ToString();
      Check(lumora::IsValidUtf8(v.name) && lumora::IsValidUtf8(text),
            "a value name or text is not valid UTF-8");
      total += v.name.size() + text.size();
    }
    for (const auto& [upper, child] : key->children()) pending.push_back(child.get());
  }
  return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lumora::RegistryTreeKey root("");
  try {
    lumora::AddWineRegistryFile(lumora::fuzz::AsText(data, size), "user.reg", root);
  } catch (const lumora::HostError& e) {
    Check(lumora::fuzz::NamesFileAndLine(e.what(), "user.reg"),
          "a refused file does not name the file and line");
    return 0;
  }
  Check(Touch(root) < (size_t{1} << 40), "impossible total");
  return 0;
}
