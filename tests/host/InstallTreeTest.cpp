// Where the program finds the component, and the component its catalogue and help file, in the
// build tree and in an installed tree that may have been moved.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/InstallTree.h"
#include "hostlib/DataFolder.h"
#include "support/RunProcess.h"
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

TEST(DataFolder, TakesTheDataFolderBesideTheLibraryOnlyWhenTheCatalogueIsThere) {
  testing::TempDir dir;
  const std::string library = dir.File(LUMORA_TEST_COMPONENTDIR);
  const std::string data = dir.File("share/lumora");
  std::filesystem::create_directories(library);
  struct Case {
    bool catalogueBeside, dataFolder;
    std::string expected;
  };
  const Case cases[] = {
      {true, true, library},    // the build tree: everything in one folder
      {false, true, data},      // an installed tree, wherever it was moved
      {false, false, library},  // neither: the library's folder, where nothing is found
  };
  for (const Case& c : cases) {
    std::filesystem::remove(library + "/lumora.ini");
    std::filesystem::remove_all(data);
    if (c.catalogueBeside) dir.Write(LUMORA_TEST_COMPONENTDIR "/lumora.ini", "");
    if (c.dataFolder) std::filesystem::create_directories(data);
    EXPECT_EQ(layout::DataFolderFor(library), c.expected) << c.catalogueBeside << c.dataFolder;
  }
}

TEST(DataFolder, MakesRelativeFoldersAbsolute) {
  EXPECT_EQ(layout::Absolute(""), "");
  EXPECT_EQ(layout::Absolute("/a/b/../c/"), "/a/c");
  EXPECT_EQ(layout::Absolute("comp"), (std::filesystem::current_path() / "comp").string());
}

}  // namespace
}  // namespace lumora
