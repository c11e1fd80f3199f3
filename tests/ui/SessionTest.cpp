// The wizard session and the lifetime of frmWizard: load, modal show, close box, EndWizard.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/forms/Application.h"
#include "platform/forms/UserInput.h"
#include "support/TestHost.h"
#include "ui/Wizard.h"
#include "ui/frmWizard.h"
#include "ui/modWizard.h"

namespace lumora {
namespace {

class PlayDriver : public forms::ModalDriver {
 public:
  explicit PlayDriver(std::function<void(forms::Form&)> play) : play_(std::move(play)) {}
  void RunModal(forms::Form& form) override {
    ++runs;
    play_(form);
  }
  int runs = 0;

 private:
  std::function<void(forms::Form&)> play_;
};

class Session : public ::testing::Test {
 protected:
  ~Session() override {
    forms::App().SetModalDriver(nullptr);
    frmWizard::Reset();
  }
  std::shared_ptr<PlayDriver> Install(std::function<void(forms::Form&)> play) {
    auto driver = std::make_shared<PlayDriver>(std::move(play));
    forms::App().SetModalDriver(driver);
    return driver;
  }
  testing::TestHost host;
};

TEST_F(Session, CreatingAWizardLoadsTheFormOffScreenOnPageZero) {
  Wizard wizard;
  frmWizard* form = frmWizard::Existing();
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->IsLoaded());
  EXPECT_FALSE(form->IsShown());
  EXPECT_EQ(form->OwnerWizard, &wizard);
  EXPECT_TRUE(wizard.ReturnCode);
  EXPECT_EQ(wizard.Drivers->Count(), 0);
  EXPECT_EQ(form->Left(), -50000);
  EXPECT_EQ(form->SavedLeft, 1800);
  EXPECT_EQ(form->SavedTop, 1200);
  EXPECT_EQ(form->CurrentStep, 0);
  EXPECT_EQ(form->Caption(), "Lumora - Step 1");
  EXPECT_EQ(form->fraStep(0).Left(), 0);
  EXPECT_TRUE(form->fraStep(0).Enabled());
  for (int16_t i = 1; i <= 6; ++i) {
    EXPECT_EQ(form->fraStep(i).Left(), -10000) << i;
    EXPECT_FALSE(form->fraStep(i).Enabled()) << i;
  }
  EXPECT_EQ(form->fraStep(3).Caption(), "Lumora - Step 2");
  EXPECT_EQ(form->cmdNav(3).Caption(), "&Next");
  EXPECT_EQ(form->lblStep(5).Caption().find("\n\n"), 23u);
  EXPECT_EQ(form->imgSidePanel.Picture(), "sidepanel.png");
  EXPECT_EQ(form->cmdNav(0).HelpContextID(), 0);
  EXPECT_EQ(form->GetFont(), (forms::Font{"MS Sans Serif", 8, false, false}));
  EXPECT_TRUE(form->optUserDSN.Value());
  EXPECT_EQ(form->ImageList1.Keys(), (std::vector<std::string>{"user_dsn", "system_dsn"}));
  ASSERT_NE(form->oWizAPI, nullptr);
  ASSERT_NE(form->WorkDrivers, nullptr);
  EXPECT_TRUE(host.reports().empty());
}

TEST_F(Session, IsFormOpenCountsLetterCase) {
  EXPECT_FALSE(IsFormOpen("frmWizard"));
  Wizard wizard;
  EXPECT_TRUE(IsFormOpen("frmWizard"));
  EXPECT_FALSE(IsFormOpen("frmwizard"));
  EXPECT_FALSE(IsFormOpen("FRMWIZARD"));
}

TEST_F(Session, EndWizardWithoutALoadedFormDoesNothing) {
  EndWizard();
  EXPECT_FALSE(IsFormOpen("frmWizard"));
  EXPECT_TRUE(host.reports().empty());
}

TEST_F(Session, TheCloseBoxEndsTheWizardWithReturnCodeFalse) {
  auto driver = Install([](forms::Form& form) { forms::UserInput::CloseBox(form); });
  Wizard wizard;
  wizard.Run();
  EXPECT_EQ(driver->runs, 1);
  EXPECT_FALSE(wizard.ReturnCode);
  EXPECT_FALSE(IsFormOpen("frmWizard"));
  EXPECT_TRUE(host.reports().empty());
}

TEST_F(Session, AnUnloadOfOurOwnKeepsReturnCodeTrue) {
  Install([](forms::Form&) { EndWizard(); });
  Wizard wizard;
  wizard.Run();
  EXPECT_TRUE(wizard.ReturnCode);
  EXPECT_FALSE(IsFormOpen("frmWizard"));
}

TEST_F(Session, EachSessionLoadsAFreshFormAndTheOldOneForgetsItsOwner) {
  Install([](forms::Form& form) { forms::UserInput::CloseBox(form); });
  auto first = std::make_unique<Wizard>();
  first->Run();
  frmWizard* firstForm = frmWizard::Existing();
  firstForm->SetCaption("changed");
  Wizard second;
  frmWizard* secondForm = frmWizard::Existing();
  EXPECT_NE(firstForm, secondForm);
  EXPECT_EQ(secondForm->Caption(), "Lumora - Step 1");
  EXPECT_EQ(secondForm->OwnerWizard, &second);
  first.reset();
  EXPECT_EQ(secondForm->OwnerWizard, &second);
}

TEST_F(Session, RunWithoutAModalDriverIsReported) {
  Wizard wizard;
  wizard.Run();
  ASSERT_EQ(host.procedures(), std::vector<std::string>{"Wizard:Run"});
  EXPECT_EQ(host.reports()[0].number, 5);
}

}  // namespace
}  // namespace lumora
