// lumora catalogue: a component folder made from the drivers of a scratch odbcinst.ini or a
// registry export, read back by the wizard's own catalogue merge in step 1.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

using testing::ProcessResult;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;

class CatalogueMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("odbcinst.ini", ReadFile("tests/data/catalogue/sqlite3-odbcinst.ini"));
    env_.Set("ODBCSYSINI", dir_.path().c_str());
  }
  ProcessResult Catalogue(std::vector<std::string> args) {
    args.insert(args.begin(), "catalogue");
    return RunProcess(testing::Lumora(), args);
  }
  TempDir dir_;
  testing::ScopedEnv env_;
};

TEST_F(CatalogueMachine, TheMachinesDriversComeFirstAndTheWizardOffersThem) {
  const std::string out = dir_.File("component");
  ProcessResult made = Catalogue({"--from", "unixodbc", "--out", out});
  ASSERT_EQ(made.exitStatus, 0) << made.err;
  const std::string ini = ReadFile(out + "/lumora.ini");
  EXPECT_NE(ini.find("[Drivers]\nDriver0=SQLite3\nDriver1=SQL Server\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[SQLite3]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\nSetup="
                     "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\nDescription=SQLite 3\n\n"),
            std::string::npos)
      << ini;
  EXPECT_NE(ini.find("[Translators]"), std::string::npos);
  EXPECT_NE(ini.find("[DTDB40 Drivers]"), std::string::npos);
  EXPECT_EQ(ini.find("UsageCount"), std::string::npos);

  dir_.Write("object.json", "{\"properties\": {}}");
  dir_.Write("script",
             "tick lvwDrivers \"SQLite3\"\nclick cmdNav(3)\nclick cmdNav(3)\nclick cmdNav(3)\n");
  ProcessResult wizard = RunProcess(
      testing::Lumora(), {"wizard", dir_.File("object.json"), "--script", dir_.File("script"),
                          "--component-dir", out, "--registry", "none"});
  ASSERT_EQ(wizard.exitStatus, 0) << wizard.out << wizard.err;
  const auto stored = nlohmann::json::parse(ReadFile(dir_.File("object.json")))["properties"];
  ASSERT_EQ(stored["Drivers"][0], "SQLite3") << stored;
  EXPECT_EQ(stored["DriversInfo"][0],
            "Driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\r\nSetup=/usr/lib/x86_64-"
            "linux-gnu/odbc/libsqlite3odbc.so\r\nDescription=SQLite 3");
}

struct RefusalCase {
  const char* what;
  std::string odbcinst;  // "" keeps the fixture's
  std::vector<std::string> extra;
  const char* error;  // part of the message; "" when it is written
};

TEST_F(CatalogueMachine, RefusesWhatItCannotWriteAndKeepsWhatIsThere) {
  // clang-format off
  const std::vector<RefusalCase> cases = {
      {"a catalogue is there", "", {}, "lumora.ini exists; give --force to replace it"},
      {"a file where the folder goes",
       "",
       {"--force", "--out", "$DIR/odbcinst.ini"},
       "odbcinst.ini: not a folder (--out names the component folder to write)"},
      {"--force replaces it", "", {"--force"}, ""},
      {"a name that marks an unused slot", "[none]\nDriver=x.so\n", {"--force"},
       "the driver \"none\" cannot be written into a catalogue: NONE marks an unused slot"},
      {"a list's name", "[Translators]\nDriver=x.so\n", {"--force"},
       "the driver \"Translators\" cannot be written into a catalogue: it is the name of one of "
       "the catalogue's lists"},
  };
  // clang-format on
  const std::string out = dir_.File("component");
  ASSERT_EQ(Catalogue({"--from", "unixodbc", "--out", out}).exitStatus, 0);
  for (const RefusalCase& c : cases) {
    dir_.Write("component/lumora.ini", "kept");
    if (!c.odbcinst.empty()) dir_.Write("odbcinst.ini", c.odbcinst);
    std::vector<std::string> args = {"--from", "unixodbc"};
    for (std::string word : c.extra) {
      if (word.starts_with("$DIR")) word.replace(0, 4, dir_.path());
      args.push_back(word);
    }
    if (std::find(args.begin(), args.end(), "--out") == args.end()) {
      args.insert(args.end(), {"--out", out});
    }
    ProcessResult r = Catalogue(args);
    if (*c.error == '\0') {
      EXPECT_EQ(r.exitStatus, 0) << c.what << r.err;
      EXPECT_NE(ReadFile(out + "/lumora.ini"), "kept") << c.what;
    } else {
      EXPECT_EQ(r.exitStatus, 2) << c.what;
      EXPECT_NE(r.err.find(c.error), std::string::npos) << c.what << "\n" << r.err;
      EXPECT_EQ(ReadFile(out + "/lumora.ini"), "kept") << c.what;
    }
  }
}

TEST_F(CatalogueMachine, ARegistryExportGivesItsDriversAlone) {
  ProcessResult r = Catalogue(
      {"--from", "tests/data/catalogue/acme.reg", "--out", dir_.File("c"), "--only-source"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  const std::string ini = ReadFile(dir_.File("c/lumora.ini"));
  EXPECT_NE(
      ini.find("\n[Drivers]\nDriver0=Acme Driver\n\n[Acme Driver]\nDriver=C:\\Windows\\acme.dll\n"
               "Setup=C:\\Windows\\acmes.dll\nAPILevel=1\n"),
      std::string::npos)
      << ini;
  EXPECT_EQ(ini.find("SQL Server"), std::string::npos);

  // A registry key's name may hold what a section name cannot.
  ProcessResult odd =
      Catalogue({"--from", "tests/data/catalogue/odd-name.reg", "--out", dir_.File("d")});
  EXPECT_EQ(odd.exitStatus, 2);
  EXPECT_NE(odd.err.find("the driver \"Odd]Name\" cannot be written into a catalogue: it holds "
                         "[, ] or a line break; nothing written"),
            std::string::npos)
      << odd.err;
  EXPECT_FALSE(std::filesystem::exists(dir_.File("d/lumora.ini")));
}

}  // namespace
}  // namespace lumora
