// unixODBC's data-source files as a registry source, and where they are found.
#include <gtest/gtest.h>

#include "hostlib/HostRegistry.h"
#include "hostlib/UnixOdbcRegistry.h"
#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

using Lines = std::vector<std::string>;

Lines ValuesOf(const RegistryTreeKey& root, const std::string& path) {
  const RegistryTreeKey* key = RegistryTree::Find(&root, path);
  if (key == nullptr) return {"<missing>"};
  Lines out;
  for (const auto& v : key->values()) out.push_back(v.name + "=" + v.data.ToString());
  return out;
}

const std::string kOdbcIni = "SOFTWARE\\ODBC\\ODBC.INI\\";

TEST(UnixOdbcRegistry, SectionsBecomeKeysReadAsUnixOdbcReadsThem) {
  RegistryTreeKey root("");
  const OdbcIniOutcome outcome =
      AddOdbcIniToRoot(testing::ReadFile("tests/data/unixodbc/odbc.ini"), root);
  EXPECT_EQ(outcome.rejectedLine, 0);
  EXPECT_EQ(ValuesOf(root, kOdbcIni + "Sales"),
            (Lines{"Driver=PostgreSQL", "Description=lots of  space",
                   "Database=C:\\data\\x.mdb ; kept", "Flag="}));
  EXPECT_EQ(ValuesOf(root, kOdbcIni + "OTHER"), Lines{"Server=h"});
  EXPECT_EQ(ValuesOf(root, kOdbcIni + "ODBC"), Lines{"<missing>"});
  EXPECT_EQ(ValuesOf(root, kOdbcIni + "Sales\\2024"), (Lines{"Driver=y", "Database=d"}));
  // Not UTF-8 as a whole: the file is Windows-1252.
  EXPECT_EQ(ValuesOf(root, kOdbcIni + "Caf\xC3\xA9"), Lines{"Description=Base de donn\xC3\xA9"
                                                            "es"});
  EXPECT_EQ(ValuesOf(root, kOdbcIni + "ODBC Data Sources"),
            (Lines{"Sales=PostgreSQL", "Other=", "Sales\\2024=y", "Caf\xC3\xA9="}));
}

// A line unixODBC does not accept before the first section makes it ignore the whole file;
// the host is told the file and line once.
TEST(UnixOdbcRegistry, AFileUnixOdbcIgnoresGivesNothingAndOneWarning) {
  const struct {
    std::string text;
    int line;
  } cases[] = {
      {"Driver=x\n[A]\n", 1},
      {"# fine\n\n  [A]\n", 3},
      {"\xEF\xBB\xBF[A]\nDriver=x\n", 1},
      {"; c\r\nstray\r\n[A]\r\n", 2},
  };
  for (const auto& c : cases) {
    testing::TempDir dir;
    dir.Write("user.ini", c.text);
    dir.Write("odbc.ini", "[Ours]\nDriver=d2\n");
    std::vector<std::string> warnings;
    auto tree = LoadUnixOdbcRegistry({dir.File("user.ini"), dir.File("odbc.ini")},
                                     [&](const std::string& w) { warnings.push_back(w); });
    EXPECT_EQ(ValuesOf(*tree->FindRoot(kCurrentUserRoot), kOdbcIni + "ODBC Data Sources"),
              Lines{"<missing>"});
    EXPECT_EQ(ValuesOf(*tree->FindRoot(kLocalMachineRoot), kOdbcIni + "ODBC Data Sources"),
              Lines{"Ours=d2"});
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind(dir.File("user.ini") + ":" + std::to_string(c.line) +
                                    ": unixODBC ignores this file",
                                0),
              0u)
        << warnings[0];
  }
}
// The paths `odbcinst -j` prints for user and system data sources.
std::pair<std::string, std::string> OdbcinstPaths() {
  std::string user, system;
  for (const std::string& line : testing::Lines(testing::Shell("odbcinst -j"))) {
    const size_t colon = line.find(": ");
    if (colon == std::string::npos) continue;
    if (line.rfind("USER DATA SOURCES", 0) == 0) user = line.substr(colon + 2);
    if (line.rfind("SYSTEM DATA SOURCES", 0) == 0) system = line.substr(colon + 2);
  }
  return {user, system};
}

// Where ODBCINI and ODBCSYSINI name them, UnixOdbcDiscovery lists what odbcinst lists.
TEST(UnixOdbcRegistry, FindsTheDefaultFilesWhereOdbcinstDoes) {
  SKIP_WITHOUT("odbcinst");
  testing::ScopedEnv env("ODBCINI", nullptr);
  env.Set("ODBCSYSINI", nullptr);
  const UnixOdbcFiles files = LocateUnixOdbcFiles();
  EXPECT_EQ(std::make_pair(files.userFile, files.systemFile), OdbcinstPaths());
}

}  // namespace
}  // namespace lumora
