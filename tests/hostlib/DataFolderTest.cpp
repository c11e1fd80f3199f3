// Where the component finds its catalogue and help file, in the build tree and in an installed
// tree that may have been moved.
#include <gtest/gtest.h>

#include <filesystem>

#include "hostlib/DataFolder.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(DataFolder, TakesTheDataFolderBesideTheLibraryOnlyWhenTheCatalogueIsThere) {
  TempDir dir;
  const std::string library = dir.File(LUMORA_TEST_COMPONENTDIR);
  const std::string data = dir.File("share/lumora");
  fs::create_directories(library);
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
    fs::remove(library + "/lumora.ini");
    fs::remove_all(data);
    if (c.catalogueBeside) dir.Write(LUMORA_TEST_COMPONENTDIR "/lumora.ini", "");
    if (c.dataFolder) fs::create_directories(data);
    EXPECT_EQ(layout::DataFolderFor(library), c.expected) << c.catalogueBeside << c.dataFolder;
  }
}

TEST(DataFolder, MakesRelativeFoldersAbsolute) {
  EXPECT_EQ(layout::Absolute(""), "");
  EXPECT_EQ(layout::Absolute("/a/b/../c/"), "/a/c");
  EXPECT_EQ(layout::Absolute("comp"), (fs::current_path() / "comp").string());
}

}  // namespace
}  // namespace lumora
