// Fuzzes the registry-export parser on raw file bytes (either header form, any encoding). A
// file is either refused with a HostError naming "fuzz.reg:LINE" or gives a tree whose
// keys and values can all be read.
#include "FuzzSupport.h"
#include "contract/HostError.h"
#include "hostlib/RegFile.h"

using lumora::fuzz::Check;

namespace {

constexpr int32_t kRoots[] = {lumora::kClassesRoot,       lumora::kCurrentUserRoot,
                              lumora::kLocalMachineRoot,  lumora::kUsersRoot,
                              lumora::kCurrentConfigRoot, lumora::kDynDataRoot};

size_t Touch(const lumora::RegistryTreeKey& key) {
  size_t total = key.name().size();
  for (const lumora::RegistryTreeValue& v : key.values()) {
    Check(key.HasValue(v.name), "a value of a key cannot be found by its own name");
    total += v.name.size() + v.data.ToString().size();
  }
  return total;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::shared_ptr<lumora::RegistryTree> tree;
  try {
    tree = lumora::ParseRegFile(lumora::fuzz::AsText(data, size), "fuzz.reg");
  } catch (const lumora::HostError& e) {
    Check(lumora::fuzz::NamesFileAndLine(e.what(), "fuzz.reg"),
          "a refused export does not name the file and line");
    return 0;
  }
  Check(tree != nullptr, "a parsed export gave no tree");
  size_t total = 0;
  for (int32_t root : kRoots) {
    if (const lumora::RegistryTreeKey* key = tree->FindRoot(root)) {
      total += Touch(*key);
      // The keys the platform's driver lists are read below the machine and user roots.
      if (const lumora::RegistryTreeKey* odbc = lumora::RegistryTree::Find(key, "SOFTWARE\\ODBC"))
        total += Touch(*odbc);
    }
  }
  Check(total < (size_t{1} << 40), "impossible total");
  return 0;
}
