// The failure convention: trapping, reporting, and the lifetime of the error-report objects.
#include <gtest/gtest.h>

#include "contract/ErrorReporter.h"
#include "contract/Trap.h"
#include "support/Outcome.h"
#include "support/TestHost.h"
#include "support/doubles/ConfigurableHostLibrary.h"

namespace lumora {
namespace {

// A trapped failure is reported once, with number, description, source and procedure, and the
// body stops there. The shared report object is made at the first report and kept; a form's
// reporter makes its own. Foreign exceptions become classic failures; IgnoreFailures drops one.
TEST(FailureConvention, TrapReportsEachFailureAndStops) {
  testing::TestHost host;
  EXPECT_TRUE(Trap("Drivers:Add", [] {}));
  EXPECT_EQ(host.host().newErrorReportCalls, 0) << "a completed body reports nothing";
  int reached = 0;
  EXPECT_FALSE(Trap("WizAPI:ReadDrvSections", [&] {
    reached = 1;
    Raise(kSubscriptOutOfRange);
    reached = 2;
  }));
  EXPECT_EQ(reached, 1);
  Trap("X:BadAlloc", [] { throw std::bad_alloc(); });
  Trap("X:Other", [] { throw std::runtime_error("boom"); });
  EXPECT_NO_THROW(IgnoreFailures([] { Raise(kOverflow); }));
  EXPECT_EQ(host.host().newErrorReportCalls, 1);
  ErrorReporter formReporter;
  Trap(formReporter, "frmWizard:Form_Activate", [] { Raise(kObjectNotSet); });
  EXPECT_EQ(host.host().newErrorReportCalls, 2);
  std::vector<std::string> reports;
  for (const ReportedError& r : host.reports()) {
    reports.push_back(r.procedure + " " + std::to_string(r.number) + " " + r.description + " | " +
                      r.source);
  }
  EXPECT_EQ(reports, (std::vector<std::string>{
                         "WizAPI:ReadDrvSections 9 Subscript out of range | BVLumora",
                         "X:BadAlloc 7 Out of memory | BVLumora", "X:Other 51 boom | BVLumora",
                         "frmWizard:Form_Activate 91 Object variable or With block variable not "
                         "set | BVLumora"}));
}

TEST(FailureConvention, FailingReportGoesToTheCaller) {
  testing::TestHost host;
  struct Throwing : ErrorReport {
    void ReportError(int32_t&, std::string&, std::string&, std::string&) override {
      throw Failure(5, "report failed");
    }
  };
  struct Host : ConfigurableHostLibrary {
    std::unique_ptr<ErrorReport> NewErrorReport() override { return std::make_unique<Throwing>(); }
  };
  component::Attach(std::make_shared<Host>(), ".");
  ErrorReporter reporter;
  EXPECT_THROW(Trap(reporter, "X:Y", [] { Raise(kOverflow); }), Failure);
}

TEST(FailureConvention, NoHostAttachedFailsWithObjectNotSet) {
  component::Detach();
  EXPECT_EQ(testing::FailureNumberOf([] { component::Host(); }), 91);
}

}  // namespace
}  // namespace lumora
