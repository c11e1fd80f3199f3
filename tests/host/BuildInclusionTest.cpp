// Build-time feature inclusion: the feature table, the path matching rules, and the failures
// that go back to the host untrapped.
#include <gtest/gtest.h>

#include <set>

#include "contract/Failure.h"
#include "contract/Text.h"
#include "control/FeatureTable.h"
#include "control/LumoraCtl.h"
#include "services/WizAPI.h"
#include "support/RunProcess.h"
#include "support/TestHost.h"
#include "support/doubles/MemoryDesignObject.h"

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

// The version is compared as a number, never rounded; an unset one counts as 0.
TEST_F(BuildInclusion, VersionIsComparedAsANumber) {
  struct Case {
    Value version;
    bool in35;
    bool in40;
  };
  const Case cases[] = {
      {Value(), true, false},
      {Value::Integer(0), true, false},
      {Value::Integer(1), false, true},
      {Value::Double(1.0), false, true},
      {Value::Double(1.4), false, false},
      {Value::Double(0.6), false, false},
      {Value::String("1"), false, true},
      {Value::Integer(2), false, false},
  };
  for (const Case& c : cases) {
    MemoryDesignObject object = Selected({kAccess}, {true});
    if (!c.version.IsEmpty()) object.PutProperty("DTDBVerNo", c.version);
    EXPECT_EQ(Ask(&object, "DTDB 3.5\\ACCESS DRIVER"), c.in35) << c.version.ToString();
    EXPECT_EQ(Ask(&object, "DTDB 3.5"), c.in35) << c.version.ToString();
    EXPECT_EQ(Ask(&object, "DTDB 4.0\\ACCESS DRIVER"), c.in40) << c.version.ToString();
  }
}

// The driver loop counter is 16-bit: an upper bound past 32767 fails before the first element,
// and a list of 32768 elements fails once the counter passes the last one without a match.
TEST_F(BuildInclusion, DriverLoopCounterIsSixteenBit) {
  struct Case {
    int32_t elements;
    int32_t selectedAt;  // where "SQL Server" stands, selected; -1: nowhere
    const char* path;
    int32_t failure;  // 0: answers `answer`
    bool answer;
  };
  const Case cases[] = {
      {40001, 0, "SQL SERVER DRIVER", kOverflow, false},
      {40001, 0, "DTDB 3.5", kOverflow, false},
      {32768, 0, "SQL SERVER DRIVER", 0, true},
      {32768, -1, "SQL SERVER DRIVER", kOverflow, false},
      {32768, -1, "DTDB 3.5", kOverflow, false},
      {32767, -1, "SQL SERVER DRIVER", 0, false},
      {32767, 32766, "SQL SERVER DRIVER", 0, true},
      {32767, 32766, "DTDB 3.5", 0, true},
  };
  for (const Case& c : cases) {
    std::vector<std::string> names(static_cast<size_t>(c.elements), "Other");
    std::vector<bool> selections(static_cast<size_t>(c.elements), false);
    if (c.selectedAt >= 0) {
      names[static_cast<size_t>(c.selectedAt)] = "SQL Server";
      selections[static_cast<size_t>(c.selectedAt)] = true;
    }
    MemoryDesignObject object = Selected(names, selections);
    int32_t failure = 0;
    bool answer = false;
    try {
      answer = Ask(&object, c.path);
    } catch (const Failure& f) {
      failure = f.number();
    }
    EXPECT_EQ(failure, c.failure) << c.elements << " " << c.selectedAt << " " << c.path;
    EXPECT_EQ(answer, c.answer) << c.elements << " " << c.selectedAt << " " << c.path;
  }
}

// lumora build, asked nothing, asks the table's paths in the table's order.
TEST(BuildCommandPaths, AreTheTablesPathsInOrder) {
  auto r = testing::RunProcess(testing::BinDir() + "/lumora",
                               {"build", "examples/object.json", "--registry", "none"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  std::string expected;
  for (const FeatureRow& row : FeatureTable()) {
    expected +=
        (r.out.find("true\t" + row.path + "\n") != std::string::npos ? "true\t" : "false\t");
    expected += row.path + "\n";
  }
  EXPECT_EQ(r.out, expected);
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
