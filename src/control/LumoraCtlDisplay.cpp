// The wizard entry: loads the stored choices into a fresh session, runs the wizard modally and
// writes the choices back only when the author finished.
#include "control/LumoraCtl.h"
#include "contract/Trap.h"
#include "services/WizAPI.h"
#include "ui/Wizard.h"
#include "ui/frmWizard.h"

namespace lumora {

bool LumoraCtl::IDevWizard_Display(DesignObject* oObject) {
  bool result = false;
  Trap("LumoraCtl:IDevWizard_Display", [&] {
    // Each call starts a new session; the previous session and service object end here.
    wizard_.reset();
    wizard_ = std::make_shared<Wizard>();
    wizAPI_ = std::make_shared<WizAPI>();
    if (oObject == nullptr) Raise(kObjectNotSet);
    DesignObject& object = *oObject;

    wizard_->DTDBVerNo = object.GetProperty("DTDBVerNo").ToLong();

    const Value drivers = object.GetProperty("Drivers");
    if (!drivers.IsEmpty()) {
      const Value drivers2 = object.GetProperty("Drivers");
      const Value driversInfo = object.GetProperty("DriversInfo");
      const Value driversSelections = object.GetProperty("DriversSelections");
      wizAPI_->GetDriversFromObject(object, *wizard_, drivers2, driversInfo, driversSelections);
    }

    const Value sources = object.GetProperty("DataSources");
    if (!sources.IsEmpty()) {
      const Value sources2 = object.GetProperty("DataSources");
      const Value info = object.GetProperty("DataSourcesInfo");
      const Value types = object.GetProperty("DataSourcesTypes");
      const Value selections = object.GetProperty("DataSourcesSelections");
      const Value uninstall = object.GetProperty("DataSourcesUninstFlags");
      wizAPI_->GetDataSourcesFromObject(*wizard_, sources2, info, types, selections, uninstall);
    }

    wizard_->Run();
    result = wizard_->ReturnCode;
    if (result) {
      wizAPI_->SetDriversInObject(*wizard_, object);
      wizAPI_->SetDataSourcesInObject(*wizard_, object);
      object.PutProperty("DTDBVerNo", Value::Integer(wizard_->DTDBVerNo));
    }
  });
  return result;
}

int32_t LumoraCtl::CurrentStep() const {
  return wizard_ ? frmWizard::Shared().CurrentStep : 0;
}

}  // namespace lumora
