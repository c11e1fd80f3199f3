// frmWizard: the shared instance, the load handler, the close box and the window title.
#include "ui/frmWizard.h"

#include "contract/Int16.h"
#include "contract/Trap.h"
#include "platform/forms/Application.h"
#include "platform/odbc/ConnectionString.h"
#include "ui/StringTable.h"
#include "ui/Wizard.h"
#include "ui/modWizard.h"

namespace lumora {
namespace {

struct SharedSlot {
  std::shared_ptr<frmWizard> current;
  std::shared_ptr<frmWizard> retired;  // kept alive until the next replacement
};

SharedSlot& Slot() {
  forms::App();  // constructed first, so it outlives a form still loaded at exit
  static SharedSlot slot;
  return slot;
}

}  // namespace

frmWizard& frmWizard::Shared() {
  SharedSlot& slot = Slot();
  if (!slot.current || !slot.current->IsLoaded()) {
    auto fresh = std::make_shared<frmWizard>();
    slot.retired = std::move(slot.current);
    slot.current = std::move(fresh);
  }
  return *slot.current;
}

frmWizard* frmWizard::Existing() {
  return Slot().current.get();
}

void frmWizard::Reset() {
  Slot().retired.reset();
  Slot().current.reset();
}

frmWizard::frmWizard() : forms::DesignedForm(FrmWizardDesignText(), "frmWizard.gml") {
  ConnectEvents();
  SetDumpFilter(odbc::MaskSecretLines);  // the attribute boxes may hold passwords
}

frmWizard::~frmWizard() = default;

Wizard& frmWizard::Owner() const {
  if (OwnerWizard == nullptr) Raise(kObjectNotSet);
  return *OwnerWizard;
}

void frmWizard::Form_Load() {
  Trap(reporter_, "frmWizard:Form_Load", [&] {
    // Shown off the screen first; the first activation moves the form back.
    SavedLeft = ToInt32(Left());
    SavedTop = ToInt32(Top());
    SetLeft(-50000);
    CurrentStep = 0;
    ApplyFormFont(*this);
    for (int16_t i = 0; i <= 6; ++i) fraStep(i).SetLeft(-10000);
    fraStep(CurrentStep).SetLeft(0);
    fraStep(CurrentStep).SetEnabled(true);
    ApplyResourceCaptions(*this);
    imgSidePanel.SetPicture(LoadResPicture(5000));
    fraImage.SetLeft(0);
    fraImage.ZOrder(0);
    cmdNav(0).SetHelpContextID(fraStep(CurrentStep).HelpContextID());
    ShowStepCaption(CurrentStep);
    oWizAPI = std::make_unique<WizAPI>();
    WorkDrivers = std::make_shared<Drivers>();
    WorkDataSources = std::make_shared<DataSources>();
  });
}

void frmWizard::Form_QueryUnload(int16_t& /*Cancel*/, int16_t UnloadMode) {
  // The close box or the control menu ends the wizard like Cancel; unloads of our own pass.
  if (UnloadMode != forms::kFormControlMenu) return;
  Owner().ReturnCode = false;
  EndWizard();
}

void frmWizard::Form_Unload(int16_t& /*Cancel*/) {
  // Nothing to do: the session keeps what was committed.
}

void frmWizard::ShowStepCaption(int16_t step) {
  IgnoreFailures([&] {
    const std::string tag = fraStep(step).Tag();
    size_t used = 0;
    const int id = std::stoi(tag, &used);
    if (used != tag.size()) Raise(kTypeMismatch);
    SetCaption(LoadResString(id));
  });
}

}  // namespace lumora
