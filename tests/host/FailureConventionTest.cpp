// The failure convention: trapping, reporting, and the lifetime of the error-report objects.
#include <gtest/gtest.h>

#include "contract/ErrorReporter.h"
#include "contract/Trap.h"
#include "support/TestHost.h"
#include "support/doubles/ConfigurableHostLibrary.h"

namespace lumora {
namespace {

TEST(FailureConvention, TrapReportsNumberDescriptionSourceAndProcedureThenReturns) {
  testing::TestHost host;
  int reached = 0;
  const bool completed = Trap("WizAPI:ReadDrvSections", [&] {
    reached = 1;
    Raise(kSubscriptOutOfRange);
    reached = 2;  // never reached
  });
  EXPECT_FALSE(completed);
  EXPECT_EQ(reached, 1);
  ASSERT_EQ(host.reports().size(), 1u);
  const ReportedError& r = host.reports()[0];
  EXPECT_EQ(r.number, 9);
  EXPECT_EQ(r.description, "Subscript out of range");
  EXPECT_EQ(r.source, "BVLumora");
  EXPECT_EQ(r.procedure, "WizAPI:ReadDrvSections");
}

TEST(FailureConvention, SharedReportObjectIsMadeAtTheFirstReportAndKept) {
  testing::TestHost host;
  EXPECT_TRUE(Trap("Drivers:Add", [] {}));
  EXPECT_EQ(host.host().newErrorReportCalls, 0) << "a completed body reports nothing";
  Trap("A:One", [] { Raise(kOverflow); });
  Trap("B:Two", [] { Raise(kTypeMismatch); });
  EXPECT_EQ(host.host().newErrorReportCalls, 1);
  EXPECT_EQ(host.procedures(), (std::vector<std::string>{"A:One", "B:Two"}));
}

TEST(FailureConvention, FormReporterHasItsOwnReportObject) {
  testing::TestHost host;
  ErrorReporter formReporter;
  Trap(formReporter, "frmWizard:Form_Activate", [] { Raise(kObjectNotSet); });
  Trap("WizAPI:CopyDrivers", [] { Raise(kObjectNotSet); });
  EXPECT_EQ(host.host().newErrorReportCalls, 2);
  EXPECT_EQ(host.reports()[0].description, "Object variable or With block variable not set");
}

TEST(FailureConvention, ForeignExceptionsBecomeClassicFailures) {
  testing::TestHost host;
  Trap("X:BadAlloc", [] { throw std::bad_alloc(); });
  Trap("X:Other", [] { throw std::runtime_error("boom"); });
  ASSERT_EQ(host.reports().size(), 2u);
  EXPECT_EQ(host.reports()[0].number, 7);
  EXPECT_EQ(host.reports()[1].number, 51);
  EXPECT_EQ(host.reports()[1].description, "boom");
}

TEST(FailureConvention, FailingReportGoesToTheCaller) {
  testing::TestHost host;
  struct Throwing : ErrorReport {
    void ReportError(int32_t&, std::string&, std::string&, std::string&) override {
      throw Failure(5, "report failed");
    }
  };
  ErrorReporter reporter;
  // Make the host hand out a report that fails.
  class Host : public ConfigurableHostLibrary {
   public:
    std::unique_ptr<ErrorReport> NewErrorReport() override { return std::make_unique<Throwing>(); }
  };
  component::Attach(std::make_shared<Host>(), ".");
  EXPECT_THROW(Trap(reporter, "X:Y", [] { Raise(kOverflow); }), Failure);
}

TEST(FailureConvention, IgnoreFailuresDropsTheFailureUnreported) {
  testing::TestHost host;
  EXPECT_NO_THROW(IgnoreFailures([] { Raise(kOverflow); }));
  EXPECT_TRUE(host.reports().empty());
}

TEST(FailureConvention, NoHostAttachedFailsWithObjectNotSet) {
  component::Detach();
  try {
    component::Host();
    FAIL() << "expected a failure";
  } catch (const Failure& f) {
    EXPECT_EQ(f.number(), 91);
  }
}

}  // namespace
}  // namespace lumora
