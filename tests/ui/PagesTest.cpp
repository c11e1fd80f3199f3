// The wizard's pages driven as a person drives them: the first showing's version choice and its
// failures, what each move commits, the button bar, and the summary text.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/forms/Application.h"
#include "platform/forms/UserInput.h"
#include "support/TestHost.h"
#include "ui/Wizard.h"
#include "ui/frmWizard.h"

namespace lumora {
namespace {

using forms::UserInput;

class PlayDriver : public forms::ModalDriver {
 public:
  explicit PlayDriver(std::function<void(frmWizard&)> play) : play_(std::move(play)) {}
  void RunModal(forms::Form& form) override {
    play_(static_cast<frmWizard&>(form));
    if (form.IsLoaded()) UserInput::CloseBox(form);
  }

 private:
  std::function<void(frmWizard&)> play_;
};

class FixedVersion : public FileVersionInfo {
 public:
  FixedVersion(std::string text, std::vector<std::string>* loaded)
      : text_(std::move(text)), loaded_(loaded) {}
  bool Load(const std::string& path) override {
    loaded_->push_back(path);
    return true;
  }
  FileVersion GetVersion() override { return {text_, text_}; }

 private:
  std::string text_;
  std::vector<std::string>* loaded_;
};

DriverPtr Stored(const std::string& name, bool selected) {
  auto d = std::make_shared<Driver>();
  d->SetName(name);
  d->SetSelected(selected);
  return d;
}

class Pages : public ::testing::Test {
 protected:
  ~Pages() override {
    forms::App().SetModalDriver(nullptr);
    frmWizard::Reset();
  }
  // Runs a session whose drivers are `drivers`, playing `play` on the shown form.
  void Run(Wizard& wizard, std::function<void(frmWizard&)> play) {
    forms::App().SetModalDriver(std::make_shared<PlayDriver>(std::move(play)));
    wizard.Run();
  }
  void InstalledVersion(const std::string& text) {
    host.host().fileVersionInfo = [this, text] {
      return std::make_unique<FixedVersion>(text, &loadedFiles);
    };
  }
  testing::TestHost host;
  std::vector<std::string> loadedFiles;
};

TEST_F(Pages, UnchosenVersionIsDetectedFromTheInstalledDriverLibrary) {
  struct Case {
    std::string version;
    int32_t expected;
  };
  for (const Case& c : {Case{"4.0.6019.0", 1}, Case{"4.00.6019.00", 1}, Case{"3.51.1713.0", 0},
                        Case{"", 0}, Case{"14.0.1", 0}, Case{" 4.0", 0}}) {
    InstalledVersion(c.version);
    Wizard wizard;
    wizard.DTDBVerNo = -1;
    int16_t shownIndex = -2;
    Run(wizard, [&](frmWizard& f) { shownIndex = f.cboProvidedDrivers.ListIndex(); });
    EXPECT_EQ(wizard.DTDBVerNo, c.expected) << c.version;
    EXPECT_EQ(shownIndex, c.expected) << c.version;
  }
  EXPECT_EQ(loadedFiles.front(), "C:\\Windows\\System32\\odbcjt32.dll");
}

TEST_F(Pages, ChosenVersionIsNotDetected) {
  InstalledVersion("4.0.6019.0");
  Wizard wizard;
  wizard.DTDBVerNo = 0;
  Run(wizard, [](frmWizard&) {});
  EXPECT_EQ(wizard.DTDBVerNo, 0);
  EXPECT_TRUE(loadedFiles.empty());
}

TEST_F(Pages, FirstShowingMovesTheFormBackAndEnablesAdvancedOnlyWithATick) {
  Wizard wizard;
  wizard.Drivers->Add(Stored("Mine", true));
  bool enabled = false;
  int32_t left = 0;
  Run(wizard, [&](frmWizard& f) {
    enabled = f.cmdDrvAdv.Enabled();
    left = f.Left();
    UserInput::Tick(f.lvwDrivers, 1, false);
    EXPECT_FALSE(f.cmdDrvAdv.Enabled());
    UserInput::Tick(f.lvwDrivers, 1, true);
    EXPECT_TRUE(f.cmdDrvAdv.Enabled());
  });
  EXPECT_TRUE(enabled);
  EXPECT_EQ(left, 1800);
  EXPECT_TRUE(host.reports().empty());
}

TEST_F(Pages, AVersionTheComboCannotShowStopsTheFirstShowingWithAReport) {
  Wizard wizard;
  wizard.DTDBVerNo = 2;
  int32_t left = 0;
  int itemsShown = -1;
  Run(wizard, [&](frmWizard& f) {
    left = f.Left();
    itemsShown = f.lvwDrivers.ListItems().Count();
  });
  ASSERT_EQ(host.reports().size(), 1u);
  EXPECT_EQ(host.reports()[0].procedure, "frmWizard:Form_Activate");
  EXPECT_EQ(left, -50000) << "the steps after the failure do not run";
  EXPECT_EQ(itemsShown, 0);
}

TEST_F(Pages, TheFirstVersionChoiceDoesNotRefreshAttributesLaterOnesDo) {
  Wizard wizard;
  std::vector<bool> changing;
  Run(wizard, [&](frmWizard& f) {
    changing.push_back(f.ChangingDTDBVer);
    UserInput::Choose(f.cboProvidedDrivers, 1);
    changing.push_back(f.ChangingDTDBVer);
  });
  EXPECT_EQ(changing, (std::vector<bool>{true, true})) << "true from the first handled choice";
  EXPECT_EQ(wizard.DTDBVerNo, 1);
}

TEST_F(Pages, ButtonBarAndTitleFollowThePage) {
  Wizard wizard;
  wizard.Drivers->Add(Stored("Mine", true));
  Run(wizard, [&](frmWizard& f) {
    EXPECT_FALSE(f.cmdNav(2).Enabled());
    UserInput::Click(f.cmdDrvAdv);
    EXPECT_EQ(f.CurrentStep, 1);
    EXPECT_EQ(f.Caption(), "Lumora - Advanced Driver Attributes");
    EXPECT_FALSE(f.cmdNav(2).Visible());
    EXPECT_EQ(f.cmdNav(3).Caption(), "&Close");
    EXPECT_EQ(f.cmdNav(0).HelpContextID(), 1);
    UserInput::Click(f.cmdNav(3));
    EXPECT_EQ(f.CurrentStep, 0);
    EXPECT_TRUE(f.cmdNav(2).Visible());
    UserInput::Click(f.cmdNav(3));
    EXPECT_EQ(f.CurrentStep, 3);
    EXPECT_TRUE(f.cmdNav(2).Enabled());
    EXPECT_FALSE(f.cmdDSNAdv.Enabled()) << "no data source is ticked";
    UserInput::Click(f.cmdNav(3));
    EXPECT_EQ(f.Caption(), "Lumora - Summary");
    EXPECT_EQ(f.cmdNav(3).Caption(), "&Finish");
    EXPECT_TRUE(f.FinishReady);
    UserInput::Click(f.cmdNav(2));
    EXPECT_EQ(f.CurrentStep, 3);
    EXPECT_EQ(f.cmdNav(3).Caption(), "&Next");
    EXPECT_FALSE(f.FinishReady);
    EXPECT_EQ(f.fraStep(6).Left(), -10000);
    EXPECT_FALSE(f.fraStep(6).Enabled());
  });
  EXPECT_TRUE(host.reports().empty());
}

TEST_F(Pages, CancelOnAnAdvancedPageDropsTheWorkingCopy) {
  Wizard wizard;
  wizard.Drivers->Add(Stored("Mine", true));
  Run(wizard, [&](frmWizard& f) {
    UserInput::Click(f.cmdDrvAdv);
    UserInput::Type(f.txtDrvAttrib, "Driver=edited");
    UserInput::Type(f.txtNewDriver, "Added");
    UserInput::Click(f.cmdAddDrv);
    UserInput::Click(f.cmdNav(1));
    EXPECT_EQ(f.CurrentStep, 0);
    EXPECT_TRUE(f.IsLoaded()) << "Cancel on an advanced page does not end the wizard";
  });
  ASSERT_EQ(wizard.Drivers->Count(), 1);
  EXPECT_EQ(wizard.Drivers->Item(1)->AttribsString(), "");
  EXPECT_FALSE(wizard.ReturnCode) << "the close box ended the run";
}

TEST_F(Pages, SummaryListsTickedItemsOrNone) {
  Wizard wizard;
  wizard.Drivers->Add(Stored("B driver", true));
  wizard.Drivers->Add(Stored("A driver", true));
  wizard.Drivers->Add(Stored("Unticked", false));
  std::string summary;
  Run(wizard, [&](frmWizard& f) {
    UserInput::Click(f.cmdNav(3));
    UserInput::Click(f.cmdNav(3));
    summary = f.txtSummary.Text();
    UserInput::Click(f.cmdNav(3));
  });
  EXPECT_EQ(summary,
            "ODBC Core\r\n\r\nDrivers:\r\n     B driver\r\n     A driver\r\n\r\n"
            "Data Sources:\r\n     <none>\r\n");
  EXPECT_TRUE(wizard.ReturnCode) << "Finish keeps the return code";
}

}  // namespace
}  // namespace lumora
