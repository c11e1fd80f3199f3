// Loading and saving the stored drivers and data sources, and the copies the advanced pages
// work on.
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

class PersistenceTest : public ::testing::Test {
 protected:
  PersistenceTest() : host_(dir_.path()) {
    // SQL Server, and Excel for 4.0 only.
    dir_.Write("lumora.ini", testing::ReadFile("tests/data/catalogue/persistence.ini"));
    host_.host().iniFile = [] { return std::make_unique<ProfileIniFile>(); };
  }

  TempDir dir_;
  TestHost host_;
  WizAPI api_;
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

TEST_F(PersistenceTest, NewObjectLoadsNoDriversAndNotEvenTheCatalogue) {
  MemoryDesignObject object;
  WizardData session;
  api_.GetDriversFromObject(object, session, Value(), Value(), Value());
  EXPECT_EQ(session.Drivers->Count(), 0);
  EXPECT_TRUE(object.log().empty());  // not even DTDBVerNo was read
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
