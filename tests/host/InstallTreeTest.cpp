// Where the program finds the component, in the build tree and in an installed tree that may
// have been moved.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/InstallTree.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

TEST(InstallTree, FindsTheComponentBesideTheProgramThenInTheInstalledLibraryFolder) {
  EXPECT_EQ(layout::ComponentCandidates("/opt/x/bin", "libBVLumora.so"),
            (std::vector<std::string>{"/opt/x/bin/libBVLumora.so",
                                      "/opt/x/" LUMORA_TEST_COMPONENTDIR "/libBVLumora.so"}));
}

TEST(InstallTree, ReadsTheSystemRegistriesInOrder) {
  testing::ScopedEnv env;
  struct Case {
    const char* dirs;  // null: unset
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {nullptr, {"/usr/local/share/lumora/components.json", "/usr/share/lumora/components.json"}},
      {"/a:relative::/b/", {"/a/lumora/components.json", "/b/lumora/components.json"}},
  };
  for (const Case& c : cases) {
    env.Set("XDG_DATA_DIRS", c.dirs);
    EXPECT_EQ(layout::SystemRegistryFiles(), c.files) << (c.dirs ? c.dirs : "(unset)");
  }
}

}  // namespace
}  // namespace lumora
