// The catalogue readers, and the loading of stored drivers and data sources that is followed by
// the catalogue's, over small catalogue files written into a temporary component folder:
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
#include "support/doubles/MemoryDesignObject.h"

namespace lumora {
namespace {

using testing::Describe;
using testing::Make;
using testing::MakeSource;
using testing::Names;
using testing::Reported;
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

// A collection that could pass 32,767 members on the way is walked member by member, as the
// classic loop does: at the first member the walk reaches, every catalogue item is offered, the
// last one included, before the members' overflow stops the walk.
TEST_F(CatalogueTest, NearTheMemberLimitTheWalkOffersEveryItemToTheFirstMember) {
  Catalogue("[Drivers]\nDriver0=New 1\nDriver1=New 2\nDriver2=Last\n");
  Drivers drivers;
  for (int i = 0; i < 32765; ++i) drivers.Add(Make("Held " + std::to_string(i), "", true));
  const DriverPtr last = Make("Last", "kind=held", true);
  drivers.Add(last);  // the walk's first member, matching the last item
  api_.ReadDrvsBVProvided(drivers, 0, false);
  EXPECT_TRUE(last->ObjectProvided()) << "the last item was offered to the first member";
  // The 32,768th member is there after the first member's turn: reading the next one fails.
  EXPECT_EQ(testing::Reported(host_),
            (Strings{"Drivers:Item[Get] 6", "WizAPI:ReadDrvSections 91"}));
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

// Loading and saving the stored drivers and data sources, and the copies the advanced pages
// work on, over a catalogue of SQL Server, and Excel for 4.0 only.
class PersistenceTest : public CatalogueTest {
 protected:
  PersistenceTest() { Catalogue(testing::ReadFile("tests/data/catalogue/persistence.ini")); }
};

// Saving is played end to end by the scripted cases: only selected records, in collection
// order, the properties in their order, and one-element placeholders when nothing is selected;
// an object holding those placeholders loads as nothing stored (first-showing-nothing-stored).
TEST_F(PersistenceTest, LoadingDataSourcesReadsTypesIgnoringCaseAndSkipsPlaceholders) {
  WizardData session;
  api_.GetDataSourcesFromObject(session, Value::Strings({"A", "", "B", "C", "D", "E"}),
                                Value::Strings({"Driver=a", "", "Driver=b", "", "", ""}),
                                Value::Strings({"System", "", "SYSTEM", "user", "", "other"}),
                                Value::Booleans({true, false, false, true, true, false}),
                                Value::Booleans({false, false, true, false, false, true}));
  EXPECT_EQ(Describe(*session.DataSources),
            (Strings{"A | Driver=a selected system", "B | Driver=b system uninstall",
                     "C |  selected user", "D |  selected user", "E |  user uninstall"}));

  WizardData empty;
  api_.GetDataSourcesFromObject(empty, Value(), Value(), Value(), Value(), Value());
  EXPECT_EQ(empty.DataSources->Count(), 0);
  EXPECT_TRUE(host_.reports().empty());
}

TEST_F(PersistenceTest, StoredDriversComeFirstThenTheCatalogueOfTheStoredVersion) {
  MemoryDesignObject object;
  object.PutProperty("DTDBVerNo", Value::Integer(1));
  object.PutProperty(
      "Drivers", Value::Strings({"microsoft excel driver (*.xls)", "SQL Server", "Own Driver"}));
  object.PutProperty("DriversInfo", Value::Strings({"Driver=stored", "Driver=mine", "Driver=own"}));
  object.PutProperty("DriversSelections", Value::Booleans({true, false, true}));
  WizardData session;
  api_.GetDriversFromObject(object, session, object.GetProperty("Drivers"),
                            object.GetProperty("DriversInfo"),
                            object.GetProperty("DriversSelections"));
  // The case variant of a desktop-database driver is one too, and the catalogue's record of
  // that name is added beside it; "SQL Server" keeps its stored attributes and selection.
  EXPECT_EQ(
      Describe(*session.Drivers),
      (Strings{"microsoft excel driver (*.xls) | Driver=stored selected dtdb",
               "SQL Server | Driver=mine", "Own Driver | Driver=own selected",
               "Microsoft Excel Driver (*.xls) | Driver=<WINSYSDIR>\\odbcjt32.dll provided dtdb"}));
  EXPECT_TRUE(host_.reports().empty());
}

// A short DriversInfo stops the load at the first missing entry. Past 32767 elements the 16-bit
// counter overflows after the last one: what was added stays, the catalogue is not read.
TEST_F(PersistenceTest, LoadsThatFailKeepWhatWasAdded) {
  WizardData session;
  MemoryDesignObject object;
  api_.GetDriversFromObject(object, session, Value::Strings({"A", "B", "C"}),
                            Value::Strings({"Driver=a"}), Value::Booleans({true, true, true}));
  EXPECT_EQ(Names(*session.Drivers), (Strings{"A"}));
  std::vector<std::string> names(32768);
  names[0] = "A";
  const Value vNames = Value::Strings(names);
  const Value vInfo = Value::Strings(std::vector<std::string>(32768));
  const Value vSels = Value::Booleans(std::vector<bool>(32768, true));
  WizardData big;
  api_.GetDriversFromObject(object, big, vNames, vInfo, vSels);
  EXPECT_EQ(Names(*big.Drivers), (Strings{"A"}));
  api_.GetDataSourcesFromObject(big, vNames, vInfo, vInfo, vSels, vSels);
  EXPECT_EQ(big.DataSources->Count(), 1);
  EXPECT_EQ(Reported(host_),
            (Strings{"WizAPI:GetDriversFromObject 9", "WizAPI:GetDriversFromObject 6",
                     "WizAPI:GetDataSourcesFromObject 6"}));
}

TEST_F(PersistenceTest, CopiesAreNewRecordsWithoutTheDesktopDatabaseFlag) {
  Drivers source;
  auto access = Make("Access", "Driver=desktop.dll", true);
  access->SetObjectProvided(true);
  access->SetDTDBDriver(true);
  source.Add(access);
  source.Add(Make("Other", "", false));
  Drivers target;
  target.Add(Make("Other", "Driver=kept", true));
  api_.CopyDrivers(target, source);
  // The target is not emptied first.
  EXPECT_EQ(Describe(target), (Strings{"Other | Driver=kept selected",
                                       "Access | Driver=desktop.dll selected provided"}));
  target.Item(2)->SetAttribsString("changed");
  EXPECT_EQ(access->AttribsString(), "Driver=desktop.dll");

  DataSources sources;
  sources.Add(MakeSource("Sys", "Driver=s", true, true, true));
  sources.Add(MakeSource("User", "", false, false, false));
  auto neither = MakeSource("Neither", "", false, false, false);
  neither->SetUserDSN(false);
  sources.Add(neither);
  DataSources copies;
  api_.CopyDataSources(copies, sources);
  EXPECT_EQ(Describe(copies), Describe(sources));
  EXPECT_NE(copies.Item(1), sources.Item(1));
  EXPECT_TRUE(host_.reports().empty());
}

}  // namespace
}  // namespace lumora
