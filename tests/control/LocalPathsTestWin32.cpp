// Paths of this machine as the Windows build finds them: the folder of a file (a drive's root and
// a share keep their separator; either slash separates), and the home folder, always absolute,
// from %USERPROFILE% or the system's profile folder.
#include <shlobj.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "contract/LocalPaths.h"
#include "contract/WideText.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

TEST(LocalPaths, FolderOfAFileAndAnAbsoluteHome) {
  const std::pair<const char*, const char*> folders[] = {
      {"C:\\Program Files\\Lumora\\lumora.exe", "C:\\Program Files\\Lumora"},
      {"C:\\lumora.exe", "C:\\"},
      {"C:lumora.exe", "C:"},
      {"lumora", "."},
      {"a/b", "a"},
      {"C:/x/y.ini", "C:/x"},
      {"\\\\server\\share\\lumora.ini", "\\\\server\\share"}};
  for (const auto& [path, folder] : folders) EXPECT_EQ(FolderOf(path), folder) << path;
  EXPECT_EQ(NameOf("Z:\\tmp\\a.json"), "a.json");
  EXPECT_EQ(NameOf("C:a.json"), "a.json");
  EXPECT_EQ(NameOf("C:/x/a.json"), "a.json");
  PWSTR known = nullptr;
  ASSERT_TRUE(SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Profile, 0, nullptr, &known)));
  const std::string profile = Narrow(known);
  ::CoTaskMemFree(known);
  testing::ScopedEnv env;
  const struct {
    const char* home;
    std::string environmentFirst, userDatabaseFirst;
  } cases[] = {{"D:\\Authors\\ann", "D:\\Authors\\ann", profile},
               {"\\\\server\\homes\\ann", "\\\\server\\homes\\ann", profile},
               {"relative", profile, profile},
               {nullptr, profile, profile}};
  for (const auto& c : cases) {
    env.Set("USERPROFILE", c.home);
    EXPECT_EQ(HomeFolder(), c.environmentFirst) << (c.home ? c.home : "unset");
    EXPECT_EQ(HomeFolder(HomeLookup::kUserDatabaseFirst), c.userDatabaseFirst);
  }
}

}  // namespace
}  // namespace lumora
