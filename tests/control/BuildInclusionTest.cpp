// LumoraCtl's two entry points. Build-time feature inclusion: the feature table, the path
// matching rules, and the failures that go back to the host untrapped. The wizard: a fresh
// session per call, nothing written unless the author finished.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "contract/Failure.h"
#include "control/FeatureTable.h"
#include "control/LumoraCtl.h"
#include "platform/forms/Application.h"
#include "platform/forms/UserInput.h"
#include "services/WizAPI.h"
#include "support/Outcome.h"
#include "support/TestHost.h"
#include "support/doubles/MemoryDesignObject.h"
#include "ui/Wizard.h"
#include "ui/frmWizard.h"
#include "ui/modWizard.h"

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
  // The answer as "true" or "false", or "error N" for the failure that went back to the caller.
  std::string Outcome(DesignObject* object, const std::string& path) {
    return testing::TextOrFailure(
        [&] { return std::string(Ask(object, path) ? "true" : "false"); });
  }
  testing::TestHost host_;
  LumoraCtl control_;
};

// One answer per object and path: whole paths ignoring case (cut at the first NUL, which the
// component's test asks across the C boundary); the first name that matches decides; unselected
// drivers and the placeholder count for nothing; the version picks the desktop family, an unset
// one counting as 0. A selected driver's paths in either case, and an unselected driver's, are
// lumora build's on the example (BuildCommand).
TEST_F(BuildInclusion, AnswersFollowTheSelectedDriversAndTheVersion) {
  struct Case {
    std::vector<std::string> names;
    std::vector<bool> selections;
    int32_t version;  // -1: unset
    std::string path;
    bool included;
  };
  const std::vector<std::string> access = {kAccess};
  const Case cases[] = {
      {access, {true}, -1, "DTDB 3.5\\ACCESS DRIVER\\ENGLISH ", false},
      {access, {true}, -1, "DTDB 3.5\\ACCESS DRIVER\\", false},
      {access, {true}, -1, "DTDB 3.5\\ACCESS DRIVER\\FRENCH", false},
      {access, {true}, -1, "DTDB 3.5/ACCESS DRIVER", false},
      {access, {true}, -1, "DTDB 3.5\\ACCESS", false},
      {access, {true}, -1, "", false},
      {{"SQL Server"}, {true}, -1, "SQL SERVER DRIVER", true},
      {{"SQL Server"}, {true}, -1, "DTDB 3.5", true},  // any driver selected, version 0
      {{"SQL Server"}, {true}, -1, "DTDB 4.0", false},
      {{"microsoft access driver (*.MDB)"}, {true}, 1, "DTDB 4.0\\ACCESS DRIVER\\GERMAN", true},
      {{"microsoft access driver (*.MDB)"}, {true}, 1, "DTDB 4.0", true},
      {{"", "SQL Server", kAccess}, {true, false, true}, -1, "SQL SERVER DRIVER", false},
      {{"", "SQL Server", kAccess}, {true, false, true}, -1, "DTDB 3.5\\ACCESS DRIVER", true},
      {{""}, {true}, -1, "DTDB 3.5", false},  // the placeholder names no driver
      {{"SQL Server", "sql server"}, {false, true}, -1, "SQL SERVER DRIVER", false},
  };
  for (const Case& c : cases) {
    MemoryDesignObject object = Selected(c.names, c.selections);
    if (c.version >= 0) object.PutProperty("DTDBVerNo", Value::Integer(c.version));
    EXPECT_EQ(Ask(&object, c.path), c.included) << c.names.back() << " / " << c.path;
  }
  // No versioned driver path is in with only SQL Server selected.
  MemoryDesignObject sqlOnly = Selected({"SQL Server"}, {true});
  for (const FeatureRow& row : FeatureTable()) {
    if (row.rule == FeatureRow::Rule::DriverVersion) {
      EXPECT_FALSE(Ask(&sqlOnly, row.path)) << row.path;
    }
  }
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
  const struct {
    int32_t elements;
    int32_t selectedAt;  // where "SQL Server" stands, selected; -1: nowhere
    const char* path;
    std::string outcome;
  } cases[] = {
      {40001, 0, "SQL SERVER DRIVER", "error 6"},  {40001, 0, "DTDB 3.5", "error 6"},
      {32768, 0, "SQL SERVER DRIVER", "true"},     {32768, -1, "SQL SERVER DRIVER", "error 6"},
      {32768, -1, "DTDB 3.5", "error 6"},          {32767, -1, "SQL SERVER DRIVER", "false"},
      {32767, 32766, "SQL SERVER DRIVER", "true"}, {32767, 32766, "DTDB 3.5", "true"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> names(static_cast<size_t>(c.elements), "Other");
    std::vector<bool> selections(static_cast<size_t>(c.elements), false);
    if (c.selectedAt >= 0) {
      names[static_cast<size_t>(c.selectedAt)] = "SQL Server";
      selections[static_cast<size_t>(c.selectedAt)] = true;
    }
    MemoryDesignObject object = Selected(names, selections);
    EXPECT_EQ(Outcome(&object, c.path), c.outcome) << c.elements << " " << c.selectedAt;
  }
}

// Without drivers only the object's own parts are in; a null object has nothing and gets no
// service object.
TEST_F(BuildInclusion, UnsetDriversLeaveOnlyTheObjectsOwnParts) {
  for (const FeatureRow& row : FeatureTable()) EXPECT_FALSE(Ask(nullptr, row.path)) << row.path;
  EXPECT_EQ(control_.CurrentWizAPI(), nullptr);
  MemoryDesignObject object;
  for (const FeatureRow& row : FeatureTable()) {
    EXPECT_EQ(Ask(&object, row.path), row.rule == FeatureRow::Rule::Always) << row.path;
  }
  EXPECT_NE(control_.CurrentWizAPI(), nullptr);
}

// Failures reading the object go back to the caller unreported (selections shorter than the
// drivers, across the C boundary in the component's test); the object's own parts read nothing,
// so they answer even then.
TEST_F(BuildInclusion, FailuresGoBackToTheCallerUnreported) {
  MemoryDesignObject notAList;
  MemoryDesignObject badVersion = Selected({kAccess}, {true});
  notAList.PutProperty("Drivers", Value::Integer(3));
  badVersion.PutProperty("DTDBVerNo", Value::String("four"));
  EXPECT_EQ(Outcome(&notAList, "SQL SERVER DRIVER"), "error 13");
  EXPECT_EQ(Outcome(&badVersion, "DTDB 3.5\\ACCESS DRIVER"), "error 13");
  EXPECT_TRUE(host_.reports().empty());
  EXPECT_TRUE(Ask(&notAList, "ODBC"));
}

TEST_F(BuildInclusion, ReadsDriversThenSelectionsThenVersionAndWritesNothing) {
  MemoryDesignObject object = Selected({"SQL Server"}, {true});
  object.ClearLog();
  Ask(&object, "DTDB 3.5\\TEXT DRIVER");
  EXPECT_EQ(object.log(),
            (std::vector<std::string>{"get Drivers", "get DriversSelections", "get DTDBVerNo"}))
      << "both parts are evaluated even when the driver is not selected";
}

// Answers kept for the lists last asked about answer only for those very lists: lists the host
// makes anew, however alike, are asked again, and a failure is never kept as an answer.
TEST_F(BuildInclusion, FollowsTheListsTheHostHandsOutNow) {
  const Value sql = Value::Strings({"SQL Server"}),
              oracle = Value::Strings({"Microsoft ODBC for Oracle"}),
              ticked = Value::Booleans({true});
  const struct {
    Value drivers, selections;
    const char* sqlServer;
    const char* oracle;
  } steps[] = {
      {sql, Value::Booleans({true}), "true", "false"},
      {sql, Value::Booleans({false}), "false", "false"},  // the same names, new selections
      {oracle, Value::Booleans({true}), "false", "true"},
      {sql, ticked, "true", "false"},
      {oracle, ticked, "false", "true"},                  // new names, the very same selections
      {sql, Value::Strings({"x"}), "error 13", "false"},  // a selection that is no boolean
      {sql, Value::Booleans({true}), "true", "false"},
      {sql, Value::MakeList({Value::Integer(-1)}), "true", "false"},  // a classic True
  };
  MemoryDesignObject object;
  for (const auto& step : steps) {
    object.PutProperty("Drivers", step.drivers);
    object.PutProperty("DriversSelections", step.selections);
    for (int again = 0; again < 2; ++again) {
      EXPECT_EQ(Outcome(&object, "SQL SERVER DRIVER"), step.sqlServer) << step.drivers.StringAt(0);
      EXPECT_EQ(Outcome(&object, "ORACLE DRIVER"), step.oracle) << step.drivers.StringAt(0);
    }
  }
}

class PlayDriver : public forms::ModalDriver {
 public:
  std::function<void(frmWizard&)> play;
  void RunModal(forms::Form& form) override { play(dynamic_cast<frmWizard&>(form)); }
};

class WizardDisplay : public ::testing::Test {
 protected:
  WizardDisplay() { forms::App().SetModalDriver(driver); }
  ~WizardDisplay() override {
    forms::App().SetModalDriver(nullptr);
    frmWizard::Reset();
  }

  testing::TestHost host;
  std::shared_ptr<PlayDriver> driver = std::make_shared<PlayDriver>();
  MemoryDesignObject object;
  LumoraCtl control;
};

// A cancelled session reads the version and the two lists, stored data sources without any
// driver entry, and writes nothing.
TEST_F(WizardDisplay, CloseBoxReturnsFalseAfterReadingOnly) {
  object.PutProperty("DTDBVerNo", Value::Integer(1));
  object.PutProperty("DataSources", Value::Strings({"Sales"}));
  object.PutProperty("DataSourcesInfo", Value::Strings({"Driver=x"}));
  object.PutProperty("DataSourcesTypes", Value::Strings({"user"}));
  object.PutProperty("DataSourcesSelections", Value::Booleans({true}));
  object.PutProperty("DataSourcesUninstFlags", Value::Booleans({false}));
  object.ClearLog();
  int16_t count = -1;
  driver->play = [&](frmWizard& form) {
    count = form.Owner().DataSources->Count();
    forms::UserInput::CloseBox(form);
  };
  EXPECT_FALSE(control.IDevWizard_Display(&object));
  EXPECT_EQ(count, 1);
  std::vector<std::string> log = object.log();  // a property read twice in a row counts once
  log.erase(std::unique(log.begin(), log.end()), log.end());
  EXPECT_EQ(log,
            (std::vector<std::string>{"get DTDBVerNo", "get Drivers", "get DataSources",
                                      "get DataSourcesInfo", "get DataSourcesTypes",
                                      "get DataSourcesSelections", "get DataSourcesUninstFlags"}));
  EXPECT_FALSE(control.CurrentWizard()->ReturnCode);
}

TEST_F(WizardDisplay, EachCallStartsFromTheDesignObjectAgain) {
  std::vector<int32_t> versionsSeen;
  driver->play = [&](frmWizard& form) {
    Wizard& session = form.Owner();
    versionsSeen.push_back(session.DTDBVerNo);
    session.DTDBVerNo = versionsSeen.size() == 1 ? 1 : 7;  // the first finishes with 1
    if (versionsSeen.size() == 1) {
      EndWizard();
    } else {
      forms::UserInput::CloseBox(form);  // the second is cancelled: its 7 is never written
    }
  };
  EXPECT_TRUE(control.IDevWizard_Display(&object));
  EXPECT_FALSE(control.IDevWizard_Display(&object));
  EXPECT_NE(control.CurrentWizard(), nullptr);
  EXPECT_EQ(versionsSeen, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(object.Peek("DTDBVerNo"), Value::Integer(1));
}

TEST_F(WizardDisplay, ANullObjectIsReportedAndAnsweredFalse) {
  driver->play = [](frmWizard& form) { forms::UserInput::CloseBox(form); };
  EXPECT_FALSE(control.IDevWizard_Display(nullptr));
  EXPECT_EQ(host.procedures(), std::vector<std::string>{"LumoraCtl:IDevWizard_Display"});
}

}  // namespace
}  // namespace lumora
