// The catalogue readers over small catalogue files written into a temporary component folder:
// list slots, the prune and merge phases, version switches and counts. Played end to end: a list
// value cut at 253 characters and a section read whole however long
// (catalogue-long-names-and-sections), and the shipped catalogue: a new object's drivers in list
// order, the desktop drivers without their prefix, each with its section's lines joined by CR LF.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hostlib/ProfileIniFile.h"
#include "services/WizAPI.h"
#include "support/Records.h"
#include "support/RunProcess.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

using testing::Describe;
using testing::Make;
using testing::TempDir;
using testing::TestHost;
using Strings = std::vector<std::string>;

// SQL Server, a NONE slot and Oracle; Access and FoxPro for 3.5, Access and Excel for 4.0.
const std::string kTwoVersions = testing::ReadFile("tests/data/catalogue/two-versions.ini");

class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() : host_(dir_.path()) {
    host_.host().iniFile = [] { return std::make_unique<ProfileIniFile>(); };
  }
  void Catalogue(const std::string& content) { dir_.Write("lumora.ini", content); }

  TempDir dir_;
  TestHost host_;
  WizAPI api_;
};

// Read without the switching flag (the first showing), a held driver keeps its lines; with it,
// the new version's held drivers take the catalogue's. How a switch prunes, refreshes and keeps
// the other held drivers is played end to end (version-switch-keeps-held-lines).
TEST_F(CatalogueTest, OnlyASwitchRefreshesTheHeldDriversLines) {
  Catalogue(kTwoVersions);
  Drivers drivers;
  drivers.Add(Make("Access", "Driver=held", true));
  drivers.Item(1)->SetDTDBDriver(true);
  api_.ReadDrvsBVProvided(drivers, 1, false);
  EXPECT_EQ(Describe(*drivers.Item(1)), "Access | Driver=held selected provided dtdb");
  api_.ReadDrvsBVProvided(drivers, 1, true);
  EXPECT_EQ(Describe(*drivers.Item(1)),
            "Access | Driver=jet40\r\nSetup=setup40 selected provided dtdb");
}

// Every member/item pair decides on its own, members from the last: an item is appended at the
// first member it does not match ignoring case, unless a member has exactly its name. Catalogue
// duplicates, case variants on both sides and members renamed after they were added. A member
// an item matches ignoring case becomes provided ("*" marks a provided member).
TEST_F(CatalogueTest, MergeOffersEachItemAtTheFirstMemberItDoesNotMatch) {
  struct Case {
    std::vector<std::string> list;
    std::vector<std::string> members;  // "a>b": added as a, then renamed b
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {{"SQL Server"}, {"sql server"}, {"sql server*"}},
      {{"SQL Server"}, {"sql server", "Other"}, {"sql server*", "Other", "SQL Server*"}},
      {{"SQL Server", "B", "A", "sql server"},
       {"b", "SQL SERVER", "a"},
       {"b*", "SQL SERVER*", "a*", "SQL Server*", "B*", "sql server*", "A*"}},
      {{"D", "D", "d"}, {"x"}, {"x", "D*", "d*"}},
      {{"D", "d"}, {"d", "D"}, {"d*", "D*"}},
      {{"SQL Server"}, {"old>SQL Server"}, {"SQL Server*"}},
      {{"SQL Server", "Other"},
       {"SQL Server>new", "sql server"},
       {"new", "sql server*", "Other*", "SQL Server*"}},
  };
  for (const Case& c : cases) {
    std::string content = "[Drivers]\n";
    for (size_t k = 0; k < c.list.size(); ++k) {
      content += "Driver" + std::to_string(k) + "=" + c.list[k] + "\n";
    }
    Catalogue(content);
    Drivers drivers;
    for (const std::string& spec : c.members) {
      const size_t arrow = spec.find('>');
      DriverPtr member = Make(spec.substr(0, arrow));
      drivers.Add(member);
      if (arrow != std::string::npos) member->SetName(spec.substr(arrow + 1));
    }
    api_.ReadDrvsBVProvided(drivers, 0, false);
    std::vector<std::string> got;
    for (const DriverPtr& d : drivers) got.push_back(d->Name() + (d->ObjectProvided() ? "*" : ""));
    EXPECT_EQ(got, c.expected) << content;
    EXPECT_TRUE(host_.reports().empty());
  }
}

// Catalogues that list little or nothing. Held drivers are selected, with "Driver=held"; a
// desktop-database driver leaves only when the version's list is read and does not hold it.
TEST_F(CatalogueTest, SparseCataloguesKeepWhatTheyDoNotList) {
  const std::string sql =
      "SQL Server | Driver=<WINSYSDIR>\\sqlsrv32.dll\r\n"
      "Setup=<WINSYSDIR>\\sqlsrv32.dll provided";
  const std::string oracle =
      "Microsoft ODBC for Oracle | Driver=<WINSYSDIR>\\msorcl32.dll provided";
  const std::string held = "Access | Driver=held selected dtdb";
  const struct {
    std::string catalogue;  // "-": no catalogue file
    int16_t version;
    Strings held;  // names; "*" marks a desktop-database driver
    Strings expected;
  } cases[] = {
      // A missing catalogue changes nothing.
      {"-", 1, {"Access*"}, {held}},
      // Unused slots are skipped, later slots still read.
      {"[Drivers]\nDriver0=NONE\nDriver1=\nDriver2=   \nDriver3=\"  \"\nDriver4=none\n"
       "Driver7=Last\n[none]\nkind=lower-case none is a name\n",
       0,
       {},
       {"none | kind=lower-case none is a name provided", "Last |  provided"}},
      // Other version numbers read the unprefixed list twice; an unprefixed list prunes nothing.
      {kTwoVersions, 2, {}, {sql, oracle}},
      {kTwoVersions, -1, {"Access*"}, {held, sql, oracle}},
      // A list with every slot unused is empty.
      {"[Drivers]\nDriver0=NONE\nDriver1= \n[DTDB40 Drivers]\nDriver0=NONE\n",
       1,
       {"SQL Server", "Access*"},
       {"SQL Server | Driver=held selected"}},
  };
  for (const auto& c : cases) {
    if (c.catalogue != "-") Catalogue(c.catalogue);
    Drivers drivers;
    for (const std::string& name : c.held) {
      drivers.Add(Make(name.substr(0, name.find('*')), "Driver=held", true));
      drivers.Item(drivers.Count())->SetDTDBDriver(name.ends_with('*'));
    }
    api_.ReadDrvsBVProvided(drivers, c.version, true);
    Translators translators;
    api_.ReadTransBVProvided(translators);
    EXPECT_EQ(Describe(drivers), c.expected) << c.catalogue.substr(0, 60) << " " << c.version;
    EXPECT_EQ(translators.Count(), 0);
  }
  EXPECT_TRUE(host_.reports().empty());
}

TEST_F(CatalogueTest, CountOverflowIsReportedUnderTheEntryPoint) {
  Catalogue("[Drivers]\nDriver32767=x\n[Translators]\nTranslator40000=y\n");
  Drivers drivers;
  api_.ReadDrvsBVProvided(drivers, 0, false);
  Translators translators;
  api_.ReadTransBVProvided(translators);
  EXPECT_EQ(drivers.Count(), 0);
  EXPECT_EQ(translators.Count(), 0);
  EXPECT_EQ(testing::Reported(host_),
            (Strings{"WizAPI:ReadDrvsBVProvided 6", "WizAPI:ReadTransBVProvided 6"}));
}

TEST_F(CatalogueTest, TranslatorsAlwaysTakeTheCatalogueAttributes) {
  Catalogue(
      "[Translators]\nTranslator0=Code Page\nTranslator1=NONE\nTranslator2=Other\n"
      "[Code Page]\nTranslator=<WINSYSDIR>\\cp.dll\nSetup=<WINSYSDIR>\\cp.dll\n"
      "[Other]\nTranslator=o.dll\n");
  Translators fresh;
  api_.ReadTransBVProvided(fresh);
  const std::string codePage = "Translator=<WINSYSDIR>\\cp.dll\r\nSetup=<WINSYSDIR>\\cp.dll";
  EXPECT_EQ(Describe(fresh), (Strings{"Code Page | " + codePage + " provided",
                                      "Other | Translator=o.dll provided"}));
  Translators held;
  held.Add(Make<Translator>("CODE PAGE", "Translator=mine", true));
  api_.ReadTransBVProvided(held);
  // With one member the case variant is not appended; "Other" is.
  EXPECT_EQ(Describe(held), (Strings{"CODE PAGE | " + codePage + " selected provided",
                                     "Other | Translator=o.dll provided"}));
  EXPECT_TRUE(host_.reports().empty());
}

}  // namespace
}  // namespace lumora
