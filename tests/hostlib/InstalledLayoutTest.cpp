// Where the program finds the component, and the component its data, in the build tree and in
// an installed tree that may have been moved.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "hostlib/InstalledLayout.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(InstalledLayout, FindsTheComponentBesideTheProgramThenInTheInstalledLibraryFolder) {
  const std::vector<std::string> found =
      layout::ComponentCandidates("/opt/x/bin", "libBVLumora.so");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0], "/opt/x/bin/libBVLumora.so");
  EXPECT_EQ(found[1].rfind("/opt/x/lib", 0), 0u) << found[1];
  EXPECT_EQ(found[1].substr(found[1].size() - 22), "/lumora/libBVLumora.so") << found[1];
}

TEST(InstalledLayout, TakesTheDataFolderBesideTheLibraryOnlyWhenTheCatalogueIsThere) {
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

TEST(InstalledLayout, MakesRelativeFoldersAbsoluteAndReadsTheSystemRegistriesInOrder) {
  EXPECT_EQ(layout::Absolute(""), "");
  EXPECT_EQ(layout::Absolute("/a/b/../c/"), "/a/c");
  EXPECT_EQ(layout::Absolute("comp"), (fs::current_path() / "comp").string());
  EXPECT_EQ(layout::FolderOf("/usr/bin/lumora"), "/usr/bin");
  EXPECT_EQ(layout::FolderOf("lumora"), ".");

  const char* saved = std::getenv("XDG_DATA_DIRS");
  const std::string keep = saved != nullptr ? saved : "";
  struct Case {
    const char* dirs;  // null: unset
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {nullptr, {"/usr/local/share/lumora/components.json", "/usr/share/lumora/components.json"}},
      {"/a:relative::/b/", {"/a/lumora/components.json", "/b/lumora/components.json"}},
  };
  for (const Case& c : cases) {
    if (c.dirs == nullptr) {
      ::unsetenv("XDG_DATA_DIRS");
    } else {
      ::setenv("XDG_DATA_DIRS", c.dirs, 1);
    }
    EXPECT_EQ(layout::SystemRegistryFiles(), c.files) << (c.dirs ? c.dirs : "(unset)");
  }
  if (saved != nullptr) {
    ::setenv("XDG_DATA_DIRS", keep.c_str(), 1);
  } else {
    ::unsetenv("XDG_DATA_DIRS");
  }
}

}  // namespace
}  // namespace lumora
