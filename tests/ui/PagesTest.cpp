// The wizard session and its pages driven as a person drives them: the lifetime of frmWizard, the
// first showing's version choice and its failures, the button bar, and the summary text.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <tuple>

#include "platform/forms/Application.h"
#include "platform/forms/UserInput.h"
#include "support/TestHost.h"
#include "ui/Wizard.h"
#include "ui/frmWizard.h"
#include "ui/modWizard.h"

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

class Pages : public ::testing::Test {
 protected:
  ~Pages() override {
    forms::App().SetModalDriver(nullptr);
    frmWizard::Reset();
  }
  // Runs the session, playing `play` on the shown form.
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
  // The installed version, the version chosen (-1: none, detected), the version shown.
  const std::tuple<const char*, int32_t, int32_t> cases[] = {
      {"4.0.6019.0", 0, 0}, {"4.0.6019.0", -1, 1}, {"4.00.6019.00", -1, 1}, {"3.51.1713.0", -1, 0},
      {"", -1, 0},          {"14.0.1", -1, 0},     {" 4.0", -1, 0}};
  for (const auto& [version, chosen, expected] : cases) {
    InstalledVersion(version);
    Wizard wizard;
    wizard.DTDBVerNo = chosen;
    int16_t shownIndex = -2;
    Run(wizard, [&](frmWizard& f) { shownIndex = f.cboProvidedDrivers.ListIndex(); });
    EXPECT_EQ(std::pair(wizard.DTDBVerNo, int32_t{shownIndex}), std::pair(expected, expected))
        << version;
    // A chosen version is not detected.
    const std::vector<std::string> detected{"C:\\Windows\\System32\\odbcjt32.dll"};
    EXPECT_EQ(loadedFiles, chosen < 0 ? detected : std::vector<std::string>{});
    loadedFiles.clear();
  }
}

// A session loads its form off the screen and unshown; each session loads a fresh form, and the
// form of a session gone forgets it.
TEST_F(Pages, EachSessionLoadsAFreshFormOffScreenAndTheOldOneForgetsItsOwner) {
  EXPECT_FALSE(IsFormOpen("frmWizard"));
  EndWizard();  // without a loaded form: nothing
  auto first = std::make_unique<Wizard>();
  frmWizard* firstForm = frmWizard::Existing();
  ASSERT_NE(firstForm, nullptr);
  EXPECT_TRUE(IsFormOpen("frmWizard"));
  EXPECT_FALSE(IsFormOpen("frmwizard")) << "the name is compared with its letter case";
  EXPECT_FALSE(firstForm->IsShown());
  EXPECT_EQ(firstForm->Left(), -50000);
  EXPECT_TRUE(first->ReturnCode);
  Run(*first, [](frmWizard&) {});  // the driver closes the window with its close box
  EXPECT_FALSE(first->ReturnCode) << "the close box clears the return code";
  EXPECT_FALSE(IsFormOpen("frmWizard"));
  firstForm->SetCaption("changed");
  Wizard second;
  frmWizard* secondForm = frmWizard::Existing();
  EXPECT_NE(firstForm, secondForm);
  EXPECT_EQ(secondForm->Caption(), "Lumora - Step 1");
  EXPECT_EQ(secondForm->OwnerWizard, &second);
  first.reset();
  EXPECT_EQ(secondForm->OwnerWizard, &second);
  EXPECT_TRUE(host.reports().empty());
}

TEST_F(Pages, RunWithoutAModalDriverIsReported) {
  Wizard wizard;
  wizard.Run();
  ASSERT_EQ(host.procedures(), std::vector<std::string>{"Wizard:Run"});
  EXPECT_EQ(host.reports()[0].number, 5);
}

}  // namespace
}  // namespace lumora
