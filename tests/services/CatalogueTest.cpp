// The catalogue readers over small catalogue files written into a temporary component folder:
// list slots, the prune and merge phases, version switches, sizes, and the shipped catalogue.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hostlib/ProfileIniFile.h"
#include "services/WizAPI.h"
#include "support/RunProcess.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

using testing::TempDir;
using testing::TestHost;

// Counts slots with the real helper and logs every question: "file|section|stem".
class LoggingIniFile : public IniFile {
 public:
  explicit LoggingIniFile(std::shared_ptr<std::vector<std::string>> log) : log_(std::move(log)) {}
  bool FindIniFileEntry(const std::string& file, const std::string& section,
                        const std::string& keyStem, std::string& value, int16_t& count) override {
    log_->push_back(file + "|" + section + "|" + keyStem);
    return ProfileIniFile().FindIniFileEntry(file, section, keyStem, value, count);
  }

 private:
  std::shared_ptr<std::vector<std::string>> log_;
};

DriverPtr MakeDriver(const std::string& name, const std::string& attribs = "",
                     bool selected = false, bool dtdb = false) {
  auto d = std::make_shared<Driver>();
  d->SetName(name);
  d->SetAttribsString(attribs);
  d->SetSelected(selected);
  d->SetDTDBDriver(dtdb);
  return d;
}

template <class Collection>
std::vector<std::string> Names(const Collection& c) {
  std::vector<std::string> names;
  for (const auto& member : c) names.push_back(member->Name());
  return names;
}

// The first member of that name; a missing one fails the test and stands in as a blank record.
template <class Collection>
auto Member(const Collection& c, const std::string& name) {
  using Ptr = std::decay_t<decltype(*c.begin())>;
  for (const Ptr& member : c) {
    if (member->Name() == name) return member;
  }
  ADD_FAILURE() << "no member " << name;
  return std::make_shared<typename Ptr::element_type>();
}

const char* const kTwoVersions =
    "[Drivers]\n"
    "Driver0=SQL Server\n"
    "Driver1=NONE\n"
    "Driver2=Microsoft ODBC for Oracle\n"
    "[DTDB35 Drivers]\n"
    "Driver0=DTDB35 Access\n"
    "Driver1=DTDB35 FoxPro\n"
    "[DTDB40 Drivers]\n"
    "Driver0=DTDB40 Access\n"
    "Driver1=DTDB40 Excel\n"
    "[SQL Server]\n"
    "Driver=<WINSYSDIR>\\sqlsrv32.dll\n"
    "Setup=<WINSYSDIR>\\sqlsrv32.dll\n"
    "[Microsoft ODBC for Oracle]\n"
    "Driver=<WINSYSDIR>\\msorcl32.dll\n"
    "[DTDB35 Access]\n"
    "Driver=jet35\n"
    "Setup=setup35\n"
    "[DTDB35 FoxPro]\n"
    "Driver=fox35\n"
    "[DTDB40 Access]\n"
    "Driver=jet40\n"
    "Setup=setup40\n"
    "[DTDB40 Excel]\n"
    "Driver=xls40\n";

class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() : host_(dir_.path()) {
    host_.host().iniFile = [log = questions_] { return std::make_unique<LoggingIniFile>(log); };
  }
  void Catalogue(const std::string& content) { dir_.Write("lumora.ini", content); }

  TempDir dir_;
  TestHost host_;
  std::shared_ptr<std::vector<std::string>> questions_ =
      std::make_shared<std::vector<std::string>>();
  WizAPI api_;
};

TEST_F(CatalogueTest, EmptyCollectionTakesTheListedDriversInListOrder) {
  Catalogue(kTwoVersions);
  Drivers drivers;
  api_.ReadDrvsBVProvided(drivers, 0, false);
  EXPECT_EQ(Names(drivers), (std::vector<std::string>{"SQL Server", "Microsoft ODBC for Oracle",
                                                      "Access", "FoxPro"}));
  const DriverPtr sql = Member(drivers, "SQL Server");
  EXPECT_EQ(sql->AttribsString(),
            "Driver=<WINSYSDIR>\\sqlsrv32.dll\r\nSetup=<WINSYSDIR>\\sqlsrv32.dll");
  EXPECT_TRUE(sql->ObjectProvided());
  EXPECT_FALSE(sql->Selected());
  EXPECT_FALSE(sql->DTDBDriver());
  // The desktop-database drivers lose their prefix but take the prefixed section's entries.
  const DriverPtr access = Member(drivers, "Access");
  EXPECT_EQ(access->AttribsString(), "Driver=jet35\r\nSetup=setup35");
  EXPECT_TRUE(access->DTDBDriver());
  EXPECT_TRUE(access->ObjectProvided());
  EXPECT_TRUE(host_.reports().empty());
  // The catalogue lies beside the component, named the Windows way.
  ASSERT_EQ(questions_->size(), 2u);
  EXPECT_EQ((*questions_)[0], dir_.path() + "/lumora.ini|Drivers|Driver");
  EXPECT_EQ((*questions_)[1], dir_.path() + "/lumora.ini|DTDB35 Drivers|Driver");
}

TEST_F(CatalogueTest, SwitchingVersionsPrunesTheOtherVersionAndRefreshesAttributes) {
  Catalogue(kTwoVersions);
  Drivers drivers;
  api_.ReadDrvsBVProvided(drivers, 0, false);
  Member(drivers, "Access")->SetSelected(true);
  drivers.Add(MakeDriver("Author's own", "Driver=own", true));

  api_.ReadDrvsBVProvided(drivers, 1, true);
  EXPECT_EQ(Names(drivers), (std::vector<std::string>{"SQL Server", "Microsoft ODBC for Oracle",
                                                      "Access", "Author's own", "Excel"}));
  const DriverPtr access = Member(drivers, "Access");
  EXPECT_EQ(access->AttribsString(), "Driver=jet40\r\nSetup=setup40");
  EXPECT_TRUE(access->Selected());
  EXPECT_TRUE(access->DTDBDriver());
  EXPECT_TRUE(Member(drivers, "Excel")->DTDBDriver());
  EXPECT_FALSE(Member(drivers, "Author's own")->ObjectProvided());
  EXPECT_EQ(Member(drivers, "SQL Server")->AttribsString(),
            "Driver=<WINSYSDIR>\\sqlsrv32.dll\r\nSetup=<WINSYSDIR>\\sqlsrv32.dll");

  // Back again without the switching flag: attributes of held drivers stay as they are.
  api_.ReadDrvsBVProvided(drivers, 0, false);
  EXPECT_EQ(Names(drivers), (std::vector<std::string>{"SQL Server", "Microsoft ODBC for Oracle",
                                                      "Access", "Author's own", "FoxPro"}));
  EXPECT_EQ(Member(drivers, "Access")->AttribsString(), "Driver=jet40\r\nSetup=setup40");
  EXPECT_TRUE(host_.reports().empty());
}

TEST_F(CatalogueTest, HeldDriversKeepTheirSelectionAndAttributesAndBecomeProvided) {
  Catalogue(kTwoVersions);
  Drivers drivers;
  drivers.Add(MakeDriver("SQL Server", "Driver=mine", true));
  api_.ReadDrvsBVProvided(drivers, 0, true);  // the switching flag refreshes version lists only
  const DriverPtr sql = Member(drivers, "SQL Server");
  EXPECT_TRUE(sql->Selected());
  EXPECT_TRUE(sql->ObjectProvided());
  EXPECT_FALSE(sql->DTDBDriver());
  EXPECT_EQ(sql->AttribsString(), "Driver=mine");
  EXPECT_EQ(Names(drivers), (std::vector<std::string>{"SQL Server", "Microsoft ODBC for Oracle",
                                                      "Access", "FoxPro"}));
}

TEST_F(CatalogueTest, CaseVariantIsAppendedOnlyWhenAnotherMemberFailsToMatchIt) {
  Catalogue("[Drivers]\nDriver0=SQL Server\n");
  Drivers one;
  one.Add(MakeDriver("sql server"));
  api_.ReadDrvsBVProvided(one, 0, false);
  EXPECT_EQ(Names(one), (std::vector<std::string>{"sql server"}));
  EXPECT_TRUE(Member(one, "sql server")->ObjectProvided());

  Drivers two;
  two.Add(MakeDriver("sql server"));
  two.Add(MakeDriver("Other"));
  api_.ReadDrvsBVProvided(two, 0, false);
  EXPECT_EQ(Names(two), (std::vector<std::string>{"sql server", "Other", "SQL Server"}));
  EXPECT_TRUE(Member(two, "sql server")->ObjectProvided());
  EXPECT_FALSE(Member(two, "Other")->ObjectProvided());
  EXPECT_TRUE(Member(two, "SQL Server")->ObjectProvided());
}

// Every member/item pair decides on its own, members from the last: an item is appended at the
// first member it does not match ignoring case, unless a member has exactly its name. Catalogue
// duplicates, case variants on both sides and members renamed after they were added.
TEST_F(CatalogueTest, MergeOffersEachItemAtTheFirstMemberItDoesNotMatch) {
  struct Case {
    std::vector<std::string> list;
    std::vector<std::string> members;  // "a>b": added as a, then renamed b
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {{"SQL Server", "B", "A", "sql server"},
       {"b", "SQL SERVER", "a"},
       {"b", "SQL SERVER", "a", "SQL Server", "B", "sql server", "A"}},
      {{"D", "D", "d"}, {"x"}, {"x", "D", "d"}},
      {{"D", "d"}, {"d", "D"}, {"d", "D"}},
      {{"SQL Server"}, {"old>SQL Server"}, {"SQL Server"}},
      {{"SQL Server", "Other"},
       {"SQL Server>new", "sql server"},
       {"new", "sql server", "Other", "SQL Server"}},
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
      DriverPtr member = MakeDriver(spec.substr(0, arrow));
      drivers.Add(member);
      if (arrow != std::string::npos) member->SetName(spec.substr(arrow + 1));
    }
    api_.ReadDrvsBVProvided(drivers, 0, false);
    EXPECT_EQ(Names(drivers), c.expected) << content;
    EXPECT_TRUE(host_.reports().empty());
  }
}

TEST_F(CatalogueTest, UnusedSlotsAreSkippedAndLaterSlotsStillRead) {
  Catalogue(
      "[Drivers]\nDriver0=NONE\nDriver1=\nDriver2=   \nDriver3=\"  \"\nDriver4=none\n"
      "Driver7=Last\n[none]\nkind=lower-case none is a name\n");
  Drivers drivers;
  api_.ReadDrvsBVProvided(drivers, 0, false);
  EXPECT_EQ(Names(drivers), (std::vector<std::string>{"none", "Last"}));
  EXPECT_EQ(Member(drivers, "none")->AttribsString(), "kind=lower-case none is a name");
  EXPECT_EQ(Member(drivers, "Last")->AttribsString(), "");  // no section of its own
}

TEST_F(CatalogueTest, OtherVersionNumbersReadTheDriversListTwice) {
  Catalogue(kTwoVersions);
  Drivers drivers;
  api_.ReadDrvsBVProvided(drivers, 2, true);
  EXPECT_EQ(Names(drivers), (std::vector<std::string>{"SQL Server", "Microsoft ODBC for Oracle"}));
  ASSERT_EQ(questions_->size(), 2u);
  EXPECT_EQ((*questions_)[1], dir_.path() + "/lumora.ini|Drivers|Driver");
  // A desktop-database driver survives: the "Drivers" list has no prefix, so nothing is pruned.
  drivers.Add(MakeDriver("Access", "", false, true));
  api_.ReadDrvsBVProvided(drivers, -1, false);
  EXPECT_EQ(drivers.Count(), 3);
}

TEST_F(CatalogueTest, ListValuesAreCutAt253CharactersAndItemSectionsAreReadWhole) {
  const std::string longValue = std::string(253, 'N') + "TAIL";
  std::string longSection;
  std::string expected;
  for (int i = 0; i < 80; ++i) {
    const std::string line = "Key" + std::to_string(i) + "=" + std::string(30, 'a' + i % 26);
    longSection += line + "\n";
    expected += (i ? "\r\n" : "") + line;
  }
  ASSERT_GT(longSection.size(), 2048u);
  Catalogue("[Drivers]\nDriver0=" + longValue + "\nDriver1=Long\n[" + std::string(253, 'N') +
            "]\nSeen=cut name\n[Long]\n" + longSection);
  Drivers drivers;
  api_.ReadDrvsBVProvided(drivers, 0, false);
  EXPECT_EQ(Names(drivers), (std::vector<std::string>{std::string(253, 'N'), "Long"}));
  EXPECT_EQ(Member(drivers, std::string(253, 'N'))->AttribsString(), "Seen=cut name");
  EXPECT_EQ(Member(drivers, "Long")->AttribsString(), expected);
  EXPECT_TRUE(host_.reports().empty());
}

TEST_F(CatalogueTest, MissingCatalogueChangesNothingAndReportsNothing) {
  Drivers drivers;
  drivers.Add(MakeDriver("Access", "Driver=x", true, true));
  api_.ReadDrvsBVProvided(drivers, 1, true);
  Translators translators;
  api_.ReadTransBVProvided(translators);
  EXPECT_EQ(Names(drivers), (std::vector<std::string>{"Access"}));
  EXPECT_FALSE(Member(drivers, "Access")->ObjectProvided());
  EXPECT_EQ(Member(drivers, "Access")->AttribsString(), "Driver=x");
  EXPECT_EQ(translators.Count(), 0);
  EXPECT_TRUE(host_.reports().empty());
}

TEST_F(CatalogueTest, ListWithEverySlotUnusedIsAnEmptyList) {
  Catalogue("[Drivers]\nDriver0=NONE\nDriver1= \n[DTDB40 Drivers]\nDriver0=NONE\n");
  Drivers drivers;
  drivers.Add(MakeDriver("SQL Server", "", true));
  drivers.Add(MakeDriver("Access", "Driver=jet35", true, true));
  api_.ReadDrvsBVProvided(drivers, 1, true);
  // Nothing is listed for 4.0, so the held desktop-database driver leaves; nothing is reported.
  EXPECT_EQ(Names(drivers), (std::vector<std::string>{"SQL Server"}));
  EXPECT_FALSE(Member(drivers, "SQL Server")->ObjectProvided());
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
  ASSERT_EQ(host_.reports().size(), 2u);
  EXPECT_EQ(host_.reports()[0].number, kOverflow);
  EXPECT_EQ(host_.procedures(),
            (std::vector<std::string>{"WizAPI:ReadDrvsBVProvided", "WizAPI:ReadTransBVProvided"}));
}

TEST_F(CatalogueTest, TranslatorsAlwaysTakeTheCatalogueAttributes) {
  Catalogue(
      "[Translators]\nTranslator0=Code Page\nTranslator1=NONE\nTranslator2=Other\n"
      "[Code Page]\nTranslator=<WINSYSDIR>\\cp.dll\nSetup=<WINSYSDIR>\\cp.dll\n"
      "[Other]\nTranslator=o.dll\n");
  Translators fresh;
  api_.ReadTransBVProvided(fresh);
  EXPECT_EQ(Names(fresh), (std::vector<std::string>{"Code Page", "Other"}));
  EXPECT_EQ(Member(fresh, "Code Page")->AttribsString(),
            "Translator=<WINSYSDIR>\\cp.dll\r\nSetup=<WINSYSDIR>\\cp.dll");
  EXPECT_TRUE(Member(fresh, "Other")->ObjectProvided());
  EXPECT_FALSE(Member(fresh, "Other")->Selected());

  Translators held;
  auto mine = std::make_shared<Translator>();
  mine->SetName("CODE PAGE");
  mine->SetAttribsString("Translator=mine");
  mine->SetSelected(true);
  held.Add(mine);
  api_.ReadTransBVProvided(held);
  // With one member the case variant is not appended; "Other" is.
  EXPECT_EQ(Names(held), (std::vector<std::string>{"CODE PAGE", "Other"}));
  EXPECT_EQ(mine->AttribsString(), "Translator=<WINSYSDIR>\\cp.dll\r\nSetup=<WINSYSDIR>\\cp.dll");
  EXPECT_TRUE(mine->ObjectProvided());
  EXPECT_TRUE(mine->Selected());
  EXPECT_TRUE(host_.reports().empty());
}

// The shipped catalogue, read from the source tree's data folder.
class ShippedCatalogueTest : public ::testing::Test {
 protected:
  ShippedCatalogueTest() : host_("data") {
    host_.host().iniFile = [] { return std::make_unique<ProfileIniFile>(); };
  }
  TestHost host_;
  WizAPI api_;
};

TEST_F(ShippedCatalogueTest, Version35ListsTheServerDriversThenSixDesktopDrivers) {
  Drivers drivers;
  api_.ReadDrvsBVProvided(drivers, 0, false);
  EXPECT_EQ(Names(drivers),
            (std::vector<std::string>{
                "SQL Server", "Microsoft ODBC for Oracle", "Microsoft Access Driver (*.mdb)",
                "Microsoft dBase Driver (*.dbf)", "Microsoft Excel Driver (*.xls)",
                "Microsoft FoxPro Driver (*.dbf)", "Microsoft Paradox Driver (*.db )",
                "Microsoft Text Driver (*.txt; *.csv)"}));
  for (const DriverPtr& d : drivers) {
    EXPECT_TRUE(d->ObjectProvided()) << d->Name();
    EXPECT_EQ(d->DTDBDriver(), d->Name().find("Driver (") != std::string::npos) << d->Name();
    const std::string& a = d->AttribsString();
    EXPECT_EQ(a.rfind("Driver=<WINSYSDIR>\\", 0), 0u) << d->Name();
    for (const char* keyword : {"\r\nSetup=<WINSYSDIR>\\", "\r\nAPILevel=", "\r\nConnectFunctions=",
                                "\r\nDriverODBCVer=", "\r\nFileUsage=", "\r\nSQLLevel="}) {
      EXPECT_NE(a.find(keyword), std::string::npos) << d->Name() << " lacks " << keyword;
    }
    EXPECT_NE(a.back(), '\n');
  }
  EXPECT_NE(Member(drivers, "Microsoft Text Driver (*.txt; *.csv)")
                ->AttribsString()
                .find("FileExtns=*.,*.asc,*.csv,*.tab,*.txt"),
            std::string::npos);
  EXPECT_TRUE(host_.reports().empty());
}

TEST_F(ShippedCatalogueTest, Version40HasFiveDesktopDriversAndNoFoxPro) {
  Drivers drivers;
  api_.ReadDrvsBVProvided(drivers, 1, false);
  EXPECT_EQ(Names(drivers),
            (std::vector<std::string>{
                "SQL Server", "Microsoft ODBC for Oracle", "Microsoft Access Driver (*.mdb)",
                "Microsoft dBase Driver (*.dbf)", "Microsoft Excel Driver (*.xls)",
                "Microsoft Paradox Driver (*.db )", "Microsoft Text Driver (*.txt; *.csv)"}));
  Translators translators;
  api_.ReadTransBVProvided(translators);
  ASSERT_EQ(translators.Count(), 1);
  EXPECT_EQ(translators.Item(1)->AttribsString().rfind("Translator=<WINSYSDIR>\\", 0), 0u);
  EXPECT_NE(translators.Item(1)->AttribsString().find("\r\nSetup=<WINSYSDIR>\\"),
            std::string::npos);
  EXPECT_TRUE(host_.reports().empty());
}

}  // namespace
}  // namespace lumora
