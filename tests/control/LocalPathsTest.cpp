// Paths of this machine as the POSIX build finds them: the folder of a file, and the home folder,
// always absolute, whichever source is asked first.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include "contract/LocalPaths.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

TEST(LocalPaths, FolderOfAFileAndAnAbsoluteHome) {
  const std::pair<const char*, const char*> folders[] = {
      {"/usr/bin/lumora", "/usr/bin"}, {"lumora", "."}, {"/lumora", "/"}, {"a/b", "a"}};
  for (const auto& [path, folder] : folders) EXPECT_EQ(FolderOf(path), folder) << path;
  const passwd* user = ::getpwuid(::geteuid());
  ASSERT_NE(user, nullptr);
  const std::string database = user->pw_dir;
  testing::ScopedEnv env;
  const struct {
    const char* home;
    std::string environmentFirst, userDatabaseFirst;
  } cases[] = {{"/srv/author", "/srv/author", database},
               {"relative", database, database},
               {nullptr, database, database}};
  for (const auto& c : cases) {
    env.Set("HOME", c.home);
    EXPECT_EQ(HomeFolder(), c.environmentFirst) << (c.home ? c.home : "unset");
    EXPECT_EQ(HomeFolder(HomeLookup::kUserDatabaseFirst), c.userDatabaseFirst);
  }
}

}  // namespace
}  // namespace lumora
