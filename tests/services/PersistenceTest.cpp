// Loading and saving the stored drivers and data sources, round trips through both kinds of
// design object, the copies the advanced pages work on, and `lumora show` on a saved object.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hostlib/DesignObjectFile.h"
#include "hostlib/ProfileIniFile.h"
#include "support/doubles/MemoryDesignObject.h"
#include "services/WizAPI.h"
#include "support/RunProcess.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

using testing::TempDir;
using testing::TestHost;

const char* const kCatalogue =
    "[Drivers]\nDriver0=SQL Server\n"
    "[DTDB35 Drivers]\nDriver0=DTDB35 Microsoft Access Driver (*.mdb)\n"
    "[DTDB40 Drivers]\nDriver0=DTDB40 Microsoft Excel Driver (*.xls)\n"
    "[SQL Server]\nDriver=<WINSYSDIR>\\sqlsrv32.dll\n"
    "[DTDB35 Microsoft Access Driver (*.mdb)]\nDriver=<WINSYSDIR>\\odbcjt32.dll\n"
    "[DTDB40 Microsoft Excel Driver (*.xls)]\nDriver=<WINSYSDIR>\\odbcjt32.dll\n";

DriverPtr MakeDriver(const std::string& name, const std::string& attribs, bool selected) {
  auto d = std::make_shared<Driver>();
  d->SetName(name);
  d->SetAttribsString(attribs);
  d->SetSelected(selected);
  return d;
}

DataSourcePtr MakeSource(const std::string& name, const std::string& attribs, bool selected,
                         bool system, bool uninstall) {
  auto s = std::make_shared<DataSource>();
  s->SetName(name);
  s->SetAttribsString(attribs);
  s->SetSelected(selected);
  s->SetSystemDSN(system);
  s->SetUninstall(uninstall);
  return s;
}

template <class Collection>
std::vector<std::string> Names(const Collection& c) {
  std::vector<std::string> names;
  for (const auto& member : c) names.push_back(member->Name());
  return names;
}

class PersistenceTest : public ::testing::Test {
 protected:
  PersistenceTest() : host_(dir_.path()) {
    dir_.Write("lumora.ini", kCatalogue);
    host_.host().iniFile = [] { return std::make_unique<ProfileIniFile>(); };
  }
  // Loads the drivers stored in `object` into `session`, as the wizard entry does.
  void LoadDrivers(DesignObject& object, WizardData& session) {
    api_.GetDriversFromObject(object, session, object.GetProperty("Drivers"),
                              object.GetProperty("DriversInfo"),
                              object.GetProperty("DriversSelections"));
  }
  void LoadSources(DesignObject& object, WizardData& session) {
    api_.GetDataSourcesFromObject(
        session, object.GetProperty("DataSources"), object.GetProperty("DataSourcesInfo"),
        object.GetProperty("DataSourcesTypes"), object.GetProperty("DataSourcesSelections"),
        object.GetProperty("DataSourcesUninstFlags"));
  }

  TempDir dir_;
  TestHost host_;
  WizAPI api_;
};

TEST_F(PersistenceTest, SavingStoresTheSelectedDriversInCollectionOrder) {
  WizardData session;
  session.Drivers->Add(MakeDriver("First", "Driver=a\r\nSetup=b", true));
  session.Drivers->Add(MakeDriver("Second", "Driver=c", false));
  session.Drivers->Add(MakeDriver("Third", "", true));
  MemoryDesignObject object;
  api_.SetDriversInObject(session, object);
  EXPECT_EQ(object.log(),
            (std::vector<std::string>{"put Drivers", "put DriversInfo", "put DriversSelections"}));
  EXPECT_EQ(object.Peek("Drivers"), Value::Strings({"First", "Third"}));
  EXPECT_EQ(object.Peek("DriversInfo"), Value::Strings({"Driver=a\r\nSetup=b", ""}));
  EXPECT_EQ(object.Peek("DriversSelections"), Value::Booleans({true, true}));
  EXPECT_TRUE(host_.reports().empty());
}

TEST_F(PersistenceTest, SavingNothingSelectedWritesOneElementPlaceholders) {
  WizardData session;
  session.Drivers->Add(MakeDriver("Unticked", "Driver=x", false));
  session.DataSources->Add(MakeSource("Unticked", "", false, true, true));
  MemoryDesignObject object;
  api_.SetDriversInObject(session, object);
  api_.SetDataSourcesInObject(session, object);
  EXPECT_EQ(object.Peek("Drivers"), Value::Strings({""}));
  EXPECT_EQ(object.Peek("DriversInfo"), Value::Strings({""}));
  EXPECT_EQ(object.Peek("DriversSelections"), Value::Booleans({false}));
  for (const char* name : {"DataSources", "DataSourcesInfo", "DataSourcesTypes"}) {
    EXPECT_EQ(object.Peek(name), Value::Strings({""})) << name;
  }
  EXPECT_EQ(object.Peek("DataSourcesSelections"), Value::Booleans({false}));
  EXPECT_EQ(object.Peek("DataSourcesUninstFlags"), Value::Booleans({false}));

  // Loading that back adds no stored driver but, "Drivers" being set, the catalogue's drivers.
  WizardData loaded;
  LoadDrivers(object, loaded);
  LoadSources(object, loaded);
  EXPECT_EQ(Names(*loaded.Drivers),
            (std::vector<std::string>{"SQL Server", "Microsoft Access Driver (*.mdb)"}));
  EXPECT_EQ(loaded.DataSources->Count(), 0);
}

TEST_F(PersistenceTest, SavingDataSourcesWritesLowerCaseTypesInPropertyOrder) {
  WizardData session;
  session.DataSources->Add(MakeSource("Sales", "Driver=x\r\nDBQ=s.mdb", true, true, false));
  session.DataSources->Add(MakeSource("Skipped", "", false, false, false));
  session.DataSources->Add(MakeSource("Mine", "Driver=", true, false, true));
  MemoryDesignObject object;
  api_.SetDataSourcesInObject(session, object);
  EXPECT_EQ(object.log(), (std::vector<std::string>{
                              "put DataSources", "put DataSourcesInfo", "put DataSourcesTypes",
                              "put DataSourcesSelections", "put DataSourcesUninstFlags"}));
  EXPECT_EQ(object.Peek("DataSources"), Value::Strings({"Sales", "Mine"}));
  EXPECT_EQ(object.Peek("DataSourcesInfo"), Value::Strings({"Driver=x\r\nDBQ=s.mdb", "Driver="}));
  EXPECT_EQ(object.Peek("DataSourcesTypes"), Value::Strings({"system", "user"}));
  EXPECT_EQ(object.Peek("DataSourcesSelections"), Value::Booleans({true, true}));
  EXPECT_EQ(object.Peek("DataSourcesUninstFlags"), Value::Booleans({false, true}));
}

TEST_F(PersistenceTest, LoadingDataSourcesReadsTypesIgnoringCaseAndSkipsPlaceholders) {
  WizardData session;
  api_.GetDataSourcesFromObject(session, Value::Strings({"A", "", "B", "C", "D", "E"}),
                                Value::Strings({"Driver=a", "", "Driver=b", "", "", ""}),
                                Value::Strings({"System", "", "SYSTEM", "user", "", "other"}),
                                Value::Booleans({true, false, false, true, true, false}),
                                Value::Booleans({false, false, true, false, false, true}));
  ASSERT_EQ(Names(*session.DataSources), (std::vector<std::string>{"A", "B", "C", "D", "E"}));
  const std::vector<bool> system{true, true, false, false, false};
  const std::vector<bool> selected{true, false, true, true, false};
  const std::vector<bool> uninstall{false, true, false, false, true};
  for (int16_t i = 1; i <= 5; ++i) {
    const DataSourcePtr s = session.DataSources->Item(i);
    EXPECT_EQ(s->SystemDSN(), system[i - 1]) << s->Name();
    EXPECT_EQ(s->UserDSN(), !system[i - 1]) << s->Name();
    EXPECT_EQ(s->Selected(), selected[i - 1]) << s->Name();
    EXPECT_EQ(s->Uninstall(), uninstall[i - 1]) << s->Name();
  }
  EXPECT_EQ(session.DataSources->Item(2)->AttribsString(), "Driver=b");

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
  LoadDrivers(object, session);
  // The case variant of a desktop-database driver is one too, and the catalogue's record of
  // that name is added beside it; "SQL Server" keeps its stored attributes and selection.
  EXPECT_EQ(Names(*session.Drivers),
            (std::vector<std::string>{"microsoft excel driver (*.xls)", "SQL Server", "Own Driver",
                                      "Microsoft Excel Driver (*.xls)"}));
  const DriverPtr variant = session.Drivers->Item(1);
  EXPECT_TRUE(variant->DTDBDriver());
  EXPECT_FALSE(variant->ObjectProvided());
  EXPECT_TRUE(variant->Selected());
  EXPECT_EQ(variant->AttribsString(), "Driver=stored");
  const DriverPtr sql = session.Drivers->Item(2);
  EXPECT_EQ(sql->AttribsString(), "Driver=mine");
  EXPECT_FALSE(sql->Selected());
  EXPECT_FALSE(sql->ObjectProvided());
  EXPECT_FALSE(sql->DTDBDriver());
  EXPECT_FALSE(session.Drivers->Item(3)->DTDBDriver());
  const DriverPtr catalogueExcel = session.Drivers->Item(4);
  EXPECT_TRUE(catalogueExcel->ObjectProvided());
  EXPECT_TRUE(catalogueExcel->DTDBDriver());
  EXPECT_EQ(catalogueExcel->AttribsString(), "Driver=<WINSYSDIR>\\odbcjt32.dll");
  EXPECT_TRUE(host_.reports().empty());
}

TEST_F(PersistenceTest, ShortDriversInfoStopsTheLoadAndKeepsWhatWasAdded) {
  WizardData session;
  MemoryDesignObject object;
  api_.GetDriversFromObject(object, session, Value::Strings({"A", "B", "C"}),
                            Value::Strings({"Driver=a"}), Value::Booleans({true, true, true}));
  EXPECT_EQ(Names(*session.Drivers), (std::vector<std::string>{"A"}));
  ASSERT_EQ(host_.reports().size(), 1u);
  EXPECT_EQ(host_.reports()[0].number, kSubscriptOutOfRange);
  EXPECT_EQ(host_.reports()[0].procedure, "WizAPI:GetDriversFromObject");
}

TEST_F(PersistenceTest, StoredArraysPastThe16BitCounterFailWithOverflow) {
  // 32768 elements: the counter reaches 32767 and its next step overflows after the last one.
  std::vector<std::string> names(32768);
  names[0] = "A";
  const Value vNames = Value::Strings(names);
  const Value vInfo = Value::Strings(std::vector<std::string>(32768));
  const Value vSels = Value::Booleans(std::vector<bool>(32768, true));
  WizardData session;
  MemoryDesignObject object;
  api_.GetDriversFromObject(object, session, vNames, vInfo, vSels);
  EXPECT_EQ(Names(*session.Drivers), (std::vector<std::string>{"A"}));  // no catalogue drivers
  api_.GetDataSourcesFromObject(session, vNames, vInfo, vInfo, vSels, vSels);
  EXPECT_EQ(session.DataSources->Count(), 1);
  ASSERT_EQ(host_.reports().size(), 2u);
  EXPECT_EQ(host_.reports()[0].number, kOverflow);
  EXPECT_EQ(host_.procedures(), (std::vector<std::string>{"WizAPI:GetDriversFromObject",
                                                          "WizAPI:GetDataSourcesFromObject"}));
}

TEST_F(PersistenceTest, RoundTripsThroughAFileAndThroughMemory) {
  WizardData session;
  session.Drivers->Add(MakeDriver("SQL Server", "Driver=<WINSYSDIR>\\sqlsrv32.dll\r\n", true));
  session.Drivers->Add(MakeDriver("Not ticked", "", false));
  session.Drivers->Add(MakeDriver("Über Treiber", "Setup=ä\r\n\r\nX", true));
  session.DataSources->Add(
      MakeSource("Sales", "Driver=SQL Server\r\nServer=db1", true, true, true));
  session.DataSources->Add(MakeSource("Local", "Driver=", true, false, false));

  dir_.Write("object.json", "{\"properties\": {}}");
  DesignObjectFile file = DesignObjectFile::Load(dir_.File("object.json"));
  MemoryDesignObject memory;
  for (DesignObject* object : std::vector<DesignObject*>{&file, &memory}) {
    api_.SetDriversInObject(session, *object);
    api_.SetDataSourcesInObject(session, *object);
  }
  file.Save();
  DesignObjectFile reread = DesignObjectFile::Load(dir_.File("object.json"));

  for (DesignObject* object : std::vector<DesignObject*>{&reread, &memory}) {
    WizardData loaded;
    LoadDrivers(*object, loaded);
    LoadSources(*object, loaded);
    ASSERT_EQ(Names(*loaded.Drivers),
              (std::vector<std::string>{"SQL Server", "Über Treiber",
                                        "Microsoft Access Driver (*.mdb)"}));
    EXPECT_EQ(loaded.Drivers->Item(1)->AttribsString(), "Driver=<WINSYSDIR>\\sqlsrv32.dll\r\n");
    EXPECT_EQ(loaded.Drivers->Item(2)->AttribsString(), "Setup=ä\r\n\r\nX");
    EXPECT_TRUE(loaded.Drivers->Item(2)->Selected());
    EXPECT_FALSE(loaded.Drivers->Item(3)->Selected());
    ASSERT_EQ(Names(*loaded.DataSources), (std::vector<std::string>{"Sales", "Local"}));
    const DataSourcePtr sales = loaded.DataSources->Item(1);
    EXPECT_TRUE(sales->SystemDSN());
    EXPECT_TRUE(sales->Uninstall());
    EXPECT_TRUE(sales->Selected());
    EXPECT_EQ(sales->AttribsString(), "Driver=SQL Server\r\nServer=db1");
    EXPECT_TRUE(loaded.DataSources->Item(2)->UserDSN());
    EXPECT_FALSE(loaded.DataSources->Item(2)->Uninstall());
  }
  EXPECT_TRUE(host_.reports().empty());
}

TEST_F(PersistenceTest, CopiesAreNewRecordsWithoutTheDesktopDatabaseFlag) {
  Drivers source;
  auto access = MakeDriver("Access", "Driver=desktop.dll", true);
  access->SetObjectProvided(true);
  access->SetDTDBDriver(true);
  source.Add(access);
  source.Add(MakeDriver("Other", "", false));
  Drivers target;
  target.Add(MakeDriver("Other", "Driver=kept", true));
  api_.CopyDrivers(target, source);
  EXPECT_EQ(Names(target), (std::vector<std::string>{"Other", "Access"}));
  const DriverPtr copy = target.Item(2);
  EXPECT_NE(copy, access);
  EXPECT_EQ(copy->AttribsString(), "Driver=desktop.dll");
  EXPECT_TRUE(copy->Selected());
  EXPECT_TRUE(copy->ObjectProvided());
  EXPECT_FALSE(copy->DTDBDriver());
  EXPECT_EQ(target.Item(1)->AttribsString(), "Driver=kept");  // the target was not emptied
  copy->SetAttribsString("changed");
  EXPECT_EQ(access->AttribsString(), "Driver=desktop.dll");

  DataSources sources;
  sources.Add(MakeSource("Sys", "Driver=s", true, true, true));
  sources.Add(MakeSource("User", "", false, false, false));
  auto neither = MakeSource("Neither", "", false, false, false);
  neither->SetUserDSN(false);
  sources.Add(neither);
  DataSources copies;
  api_.CopyDataSources(copies, sources);
  ASSERT_EQ(Names(copies), (std::vector<std::string>{"Sys", "User", "Neither"}));
  EXPECT_NE(copies.Item(1), sources.Item(1));
  EXPECT_TRUE(copies.Item(1)->SystemDSN());
  EXPECT_FALSE(copies.Item(1)->UserDSN());
  EXPECT_TRUE(copies.Item(1)->Uninstall());
  EXPECT_TRUE(copies.Item(1)->Selected());
  EXPECT_EQ(copies.Item(1)->AttribsString(), "Driver=s");
  EXPECT_TRUE(copies.Item(2)->UserDSN());
  EXPECT_FALSE(copies.Item(3)->UserDSN());
  EXPECT_FALSE(copies.Item(3)->SystemDSN());
  EXPECT_TRUE(host_.reports().empty());
}

TEST_F(PersistenceTest, LumoraShowListsWhatWasSaved) {
  WizardData session;
  session.Drivers->Add(
      MakeDriver("Microsoft Text Driver (*.txt; *.csv)", "Driver=<WINSYSDIR>\\odbcjt32.dll", true));
  session.Drivers->Add(MakeDriver("Hidden", "", false));
  session.DataSources->Add(
      MakeSource("Sales", "Driver=SQL Server\r\nServer=db1", true, true, true));
  dir_.Write("object.json", "{\"properties\": {\"DTDBVerNo\": 1}}");
  DesignObjectFile file = DesignObjectFile::Load(dir_.File("object.json"));
  api_.SetDriversInObject(session, file);
  api_.SetDataSourcesInObject(session, file);
  file.Save();

  auto r = testing::RunProcess(testing::BinDir() + "/lumora", {"show", dir_.File("object.json")});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_NE(r.out.find("4.0 (DTDBVerNo 1)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("[x] Microsoft Text Driver (*.txt; *.csv)\n"
                       "        Driver=<WINSYSDIR>\\odbcjt32.dll\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("[x] Sales  (system, uninstalled with the application)\n"
                       "        Driver=SQL Server\n        Server=db1\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("Hidden"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace lumora
