// lumora build and lumora show as a host's user runs them.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::Lumora;
using testing::RunProcess;
using testing::TempDir;

TEST(BuildCommand, AnswersAllSixtyFourFeaturesOfTheExample) {
  auto r = RunProcess(Lumora(), {"build", "examples/object.json", "--registry", "none"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  size_t lines = 0;
  for (char c : r.out) lines += c == '\n';
  EXPECT_EQ(lines, 64u);
  EXPECT_NE(r.out.find("true\tSQL SERVER DRIVER\\JAPANESE\n"), std::string::npos);
  EXPECT_NE(r.out.find("true\tDTDB 3.5\\ACCESS DRIVER\\ENGLISH\n"), std::string::npos);
  EXPECT_NE(r.out.find("false\tDTDB 4.0\\ACCESS DRIVER\n"), std::string::npos);
  EXPECT_NE(r.out.find("false\tORACLE DRIVER\n"), std::string::npos);
}

TEST(BuildCommand, NamedFeaturesAnswerAsGivenInOrder) {
  auto r =
      RunProcess(Lumora(), {"build", "examples/object.json", "dtdb 3.5\\access driver\\english",
                            "ODBC ", "ODBC\\", "LumoraA\\OLEDB JAPANESE"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out,
            "true\tdtdb 3.5\\access driver\\english\nfalse\tODBC \nfalse\tODBC\\\n"
            "true\tLumoraA\\OLEDB JAPANESE\n");
  EXPECT_EQ(r.err,
            "lumora: note: \"ODBC \" is not one of the setup object's 64 feature paths; the "
            "answer is false\n"
            "lumora: note: \"ODBC\\\" is not one of the setup object's 64 feature paths; the "
            "answer is false\n");
}

TEST(BuildCommand, FailingQueryPrintsTheErrorAndExitsOne) {
  TempDir dir;
  dir.Write("o.json", R"({"properties": {"Drivers": ["SQL Server"], "DriversSelections": []}})");
  auto r = RunProcess(Lumora(), {"build", dir.File("o.json"), "ODBC", "SQL SERVER DRIVER"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_EQ(r.out, "true\tODBC\n");
  EXPECT_EQ(r.err,
            "lumora: error 9 in LumoraCtl:ISetupDesignObjectBuild_IsIncluded: Subscript out of "
            "range (BVLumora)\n");
}

// show lists what is stored (tests/data/show), skips placeholders and says what is not stored.
TEST(ShowCommand, ListsTheStoredChoicesReadably) {
  const std::pair<const char*, std::vector<const char*>> cases[] = {
      {"tests/data/show/stored.json",
       {"4.0 (DTDBVerNo 1)",
        "[x] Microsoft Text Driver (*.txt; *.csv)\n        Driver=<WINSYSDIR>\\odbcjt32.dll\n",
        "[x] Sales  (system, uninstalled with the application)\n        Driver=SQL Server\n"
        "        Server=db1\n"}},
      {"tests/data/show/placeholders.json",
       {"  [x] Text\n        Driver=t.dll\n", "Data sources:\n  (none selected)"}},
      {"tests/data/show/nothing.json", {"Drivers: none stored", "not stored (reads as 3.5)"}},
  };
  for (const auto& [object, shown] : cases) {
    auto r = RunProcess(Lumora(), {"show", object});
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    for (const char* text : shown) EXPECT_NE(r.out.find(text), std::string::npos) << r.out;
  }
}

// Lists the wizard would load only in part are refused by show and export too, with the message
// the wizard gives, rather than shown or exported as something else.
TEST(ShowCommand, RefusesWhatTheWizardRefusesWithTheSameMessage) {
  TempDir dir;
  dir.Write("o.json", R"({"properties": {"Drivers": "SQL Server"}})");
  dir.Write("script", "key Escape\n");
  const std::string object = dir.File("o.json");
  const std::vector<std::string> runs[] = {
      {"wizard", object, "--script", dir.File("script")},
      {"show", object},
      {"export", object, "--format", "wix", "--out", dir.File("out")},
  };
  for (const auto& args : runs) {
    auto r = RunProcess(Lumora(), args);
    EXPECT_EQ(r.exitStatus, 2) << args[0];
    EXPECT_EQ(r.out, "") << args[0];
    EXPECT_EQ(r.err.rfind("lumora: " + object +
                              ": property \"Drivers\" must be an array of strings, not a string; ",
                          0),
              0u)
        << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
}

}  // namespace
}  // namespace lumora
