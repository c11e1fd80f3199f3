#include "ui/Wizard.h"

#include "contract/Trap.h"
#include "ui/frmWizard.h"

namespace lumora {

Wizard::Wizard() {
  Trap("Wizard:Class_Initialize", [&] {
    ReturnCode = true;
    Drivers = std::make_shared<lumora::Drivers>();
    DataSources = std::make_shared<lumora::DataSources>();
    frmWizard& form = frmWizard::Shared();
    form.Load();
    form.OwnerWizard = this;
  });
}

Wizard::~Wizard() {
  Drivers.reset();
  DataSources.reset();
  if (frmWizard* form = frmWizard::Existing(); form != nullptr && form->OwnerWizard == this) {
    form->OwnerWizard = nullptr;
  }
}

void Wizard::Run() {
  Trap("Wizard:Run", [&] {
    frmWizard* form = frmWizard::Existing();
    if (form == nullptr || form->OwnerWizard != this) Raise(kObjectNotSet);
    form->Show(forms::ShowMode::Modal);
  });
}

}  // namespace lumora
