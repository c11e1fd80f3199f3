// One run of the wizard for one design object: the session's data (WizardData) and the form it
// shows. Creating a Wizard loads the shared frmWizard (its load handler runs) and makes the
// form's OwnerWizard this session; Run shows the form modally. The session owns its collections;
// the form refers to the session and never owns it.
#pragma once

#include "services/WizardData.h"

namespace lumora {

class Wizard : public WizardData {
 public:
  // Class_Initialize: ReturnCode true, empty collections, frmWizard loaded (not shown) with this
  // session as its owner. Traps failures ("Wizard:Class_Initialize").
  Wizard();
  // Class_Terminate: drops the references to the collections; the form forgets its owner.
  ~Wizard() override;
  Wizard(const Wizard&) = delete;
  Wizard& operator=(const Wizard&) = delete;

  // Shows frmWizard modally and returns when it has been unloaded. Traps failures
  // ("Wizard:Run").
  void Run();
};

}  // namespace lumora
