// Build-time feature inclusion: the feature table, the path matching rules, and the failures
// that go back to the host untrapped.
#include <gtest/gtest.h>

#include <set>

#include "control/FeatureTable.h"
#include "control/LumoraCtl.h"
#include "contract/Failure.h"
#include "contract/Text.h"
#include "support/doubles/MemoryDesignObject.h"
#include "services/WizAPI.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

constexpr const char* kAccess = "Microsoft Access Driver (*.mdb)";

MemoryDesignObject Selected(std::vector<std::string> names, std::vector<bool> selections) {
  MemoryDesignObject object;
  object.PutProperty("Drivers", Value::Strings(std::move(names)));
  object.PutProperty("DriversSelections", Value::Booleans(std::move(selections)));
  return object;
}

class BuildInclusion : public ::testing::Test {
 protected:
  bool Ask(DesignObject* object, const std::string& path) {
    return control_.ISetupDesignObjectBuild_IsIncluded(object, path);
  }
  testing::TestHost host_;
  LumoraCtl control_;
};

TEST_F(BuildInclusion, TableHoldsSixtyFourDistinctPaths) {
  std::set<std::string> paths;
  for (const FeatureRow& row : FeatureTable()) paths.insert(UCase(row.path));
  EXPECT_EQ(FeatureTable().size(), 64u);
  EXPECT_EQ(paths.size(), 64u);
  EXPECT_EQ(paths.count("DTDB 4.0\\FOXPRO DRIVER"), 0u) << "4.0 has no FoxPro feature";
  EXPECT_EQ(paths.count("DTDB 3.5\\PARADOX DRIVER\\JAPANESE"), 1u);
}

TEST_F(BuildInclusion, PathsMatchWholeAndIgnoringCase) {
  MemoryDesignObject object = Selected({kAccess}, {true});
  EXPECT_TRUE(Ask(&object, "dtdb 3.5\\access driver\\english"));
  EXPECT_TRUE(Ask(&object, "DTDB 3.5\\ACCESS DRIVER\\ENGLISH"));
  EXPECT_FALSE(Ask(&object, "DTDB 3.5\\ACCESS DRIVER\\ENGLISH "));
  EXPECT_FALSE(Ask(&object, "DTDB 3.5\\ACCESS DRIVER\\"));
  EXPECT_FALSE(Ask(&object, "DTDB 3.5\\ACCESS DRIVER\\FRENCH"));
  EXPECT_FALSE(Ask(&object, "DTDB 3.5/ACCESS DRIVER"));
  EXPECT_FALSE(Ask(&object, "DTDB 3.5\\ACCESS"));
  EXPECT_FALSE(Ask(&object, ""));
}

TEST_F(BuildInclusion, PathIsCutAtItsFirstNul) {
  MemoryDesignObject object = Selected({kAccess}, {true});
  EXPECT_TRUE(Ask(&object, std::string("DTDB 3.5\\ACCESS DRIVER\0garbage", 31)));
  EXPECT_FALSE(Ask(&object, std::string("\0ODBC", 5)));
}

TEST_F(BuildInclusion, OnlySqlServerSelectedWithVersionUnset) {
  MemoryDesignObject object = Selected({"SQL Server"}, {true});
  EXPECT_TRUE(Ask(&object, "SQL SERVER DRIVER"));
  EXPECT_TRUE(Ask(&object, "SQL SERVER DRIVER\\GERMAN"));
  EXPECT_TRUE(Ask(&object, "DTDB 3.5")) << "any driver selected and the unset version counts as 0";
  EXPECT_FALSE(Ask(&object, "DTDB 4.0"));
  EXPECT_FALSE(Ask(&object, "ORACLE DRIVER"));
  for (const FeatureRow& row : FeatureTable()) {
    if (row.rule == FeatureRow::Rule::DriverVersion) {
      EXPECT_FALSE(Ask(&object, row.path)) << row.path;
    }
  }
}

TEST_F(BuildInclusion, VersionDecidesBetweenTheTwoDesktopFamilies) {
  MemoryDesignObject object = Selected({"microsoft access driver (*.MDB)"}, {true});
  object.PutProperty("DTDBVerNo", Value::Integer(1));
  EXPECT_TRUE(Ask(&object, "DTDB 4.0\\ACCESS DRIVER\\GERMAN"));
  EXPECT_TRUE(Ask(&object, "DTDB 4.0"));
  EXPECT_FALSE(Ask(&object, "DTDB 3.5\\ACCESS DRIVER"));
  EXPECT_FALSE(Ask(&object, "DTDB 3.5"));
}

TEST_F(BuildInclusion, UnselectedAndPlaceholderDriversDoNotCount) {
  MemoryDesignObject object = Selected({"", "SQL Server", kAccess}, {true, false, true});
  EXPECT_FALSE(Ask(&object, "SQL SERVER DRIVER"));
  EXPECT_TRUE(Ask(&object, "DTDB 3.5\\ACCESS DRIVER"));
  MemoryDesignObject placeholderOnly = Selected({""}, {true});
  EXPECT_FALSE(Ask(&placeholderOnly, "DTDB 3.5")) << "the placeholder names no driver";
}

TEST_F(BuildInclusion, FirstMatchingNameDecides) {
  MemoryDesignObject object = Selected({"SQL Server", "sql server"}, {false, true});
  EXPECT_FALSE(Ask(&object, "SQL SERVER DRIVER"));
}

TEST_F(BuildInclusion, UnsetDriversLeaveOnlyTheObjectsOwnParts) {
  MemoryDesignObject object;
  for (const FeatureRow& row : FeatureTable()) {
    EXPECT_EQ(Ask(&object, row.path), row.rule == FeatureRow::Rule::Always) << row.path;
  }
}

TEST_F(BuildInclusion, NullObjectAnswersFalseEverywhere) {
  EXPECT_FALSE(Ask(nullptr, "ODBC"));
  EXPECT_FALSE(Ask(nullptr, "Lumora\\OLEDB"));
  EXPECT_EQ(control_.CurrentWizAPI(), nullptr) << "no service object is made for a null object";
}

TEST_F(BuildInclusion, FailuresGoBackToTheCallerUnreported) {
  MemoryDesignObject notAList;
  notAList.PutProperty("Drivers", Value::Integer(3));
  EXPECT_THROW(Ask(&notAList, "SQL SERVER DRIVER"), Failure);

  MemoryDesignObject shortSelections = Selected({"SQL Server", kAccess}, {false});
  try {
    Ask(&shortSelections, "DTDB 3.5\\ACCESS DRIVER");
    FAIL() << "expected a failure";
  } catch (const Failure& f) {
    EXPECT_EQ(f.number(), 9);
  }
  MemoryDesignObject badVersion = Selected({kAccess}, {true});
  badVersion.PutProperty("DTDBVerNo", Value::String("four"));
  EXPECT_THROW(Ask(&badVersion, "DTDB 3.5\\ACCESS DRIVER"), Failure);
  EXPECT_TRUE(host_.reports().empty());
  EXPECT_TRUE(Ask(&notAList, "ODBC")) << "the object's own parts read nothing";
}

TEST_F(BuildInclusion, ReadsDriversThenSelectionsThenVersionAndWritesNothing) {
  MemoryDesignObject object = Selected({"SQL Server"}, {true});
  object.ClearLog();
  Ask(&object, "DTDB 3.5\\TEXT DRIVER");
  EXPECT_EQ(object.log(),
            (std::vector<std::string>{"get Drivers", "get DriversSelections", "get DTDBVerNo"}))
      << "both parts are evaluated even when the driver is not selected";
  EXPECT_NE(control_.CurrentWizAPI(), nullptr);
}

TEST(IsDriverSelected, EmptyNameAsksForAnySelectedDriver) {
  WizAPI api;
  EXPECT_FALSE(api.IsDriverSelected(Value(), Value(), ""));
  EXPECT_TRUE(api.IsDriverSelected(Value::Strings({"A", "B"}), Value::Booleans({false, true}), ""));
  EXPECT_FALSE(api.IsDriverSelected(Value::Strings({"A"}), Value::Booleans({false}), ""));
  EXPECT_TRUE(
      api.IsDriverSelected(Value::Strings({"A"}), Value::MakeList({Value::Integer(-1)}), "a"));
}

}  // namespace
}  // namespace lumora
