// The wizard entry: a fresh session per call, nothing written unless the author finished.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "control/LumoraCtl.h"
#include "platform/forms/Application.h"
#include "platform/forms/UserInput.h"
#include "support/TestHost.h"
#include "support/doubles/MemoryDesignObject.h"
#include "ui/Wizard.h"
#include "ui/frmWizard.h"
#include "ui/modWizard.h"

namespace lumora {
namespace {

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
