// Answers kept for the lists last asked about answer only for those very lists: a list the host
// makes anew, however alike, is asked again, and a failure is never kept as an answer.
#include <gtest/gtest.h>

#include "contract/Failure.h"
#include "control/LumoraCtl.h"
#include "support/TestHost.h"
#include "support/doubles/MemoryDesignObject.h"

namespace lumora {
namespace {

TEST(BuildAnswers, FollowTheListsTheHostHandsOutNow) {
  testing::TestHost host;
  LumoraCtl control;
  MemoryDesignObject object;
  auto ask = [&](const std::string& path) -> std::string {
    try {
      return control.ISetupDesignObjectBuild_IsIncluded(&object, path) ? "true" : "false";
    } catch (const Failure& f) {
      return "error " + std::to_string(f.number());
    }
  };
  const Value sql = Value::Strings({"SQL Server"});
  struct Step {
    Value drivers, selections;
    const char* sqlServer;
    const char* oracle;
  };
  const Step steps[] = {
      {sql, Value::Booleans({true}), "true", "false"},
      {sql, Value::Booleans({false}), "false", "false"},  // the same names, new selections
      {Value::Strings({"Microsoft ODBC for Oracle"}), Value::Booleans({false}), "false", "false"},
      {Value::Strings({"Microsoft ODBC for Oracle"}), Value::Booleans({true}), "false", "true"},
      {sql, Value::Strings({"x"}), "error 13", "false"},  // a selection that is no boolean
      {sql, Value::Booleans({true}), "true", "false"},
  };
  for (const Step& step : steps) {
    object.PutProperty("Drivers", step.drivers);
    object.PutProperty("DriversSelections", step.selections);
    for (int again = 0; again < 2; ++again) {
      EXPECT_EQ(ask("SQL SERVER DRIVER"), step.sqlServer) << step.drivers.StringAt(0);
      EXPECT_EQ(ask("ORACLE DRIVER\\GERMAN"), step.oracle) << step.drivers.StringAt(0);
    }
  }
}

}  // namespace
}  // namespace lumora
