#include "component/AutomationFace.h"

namespace lumora::com {

// No automation outside Windows: hosts call the component's C interfaces.
std::unique_ptr<AutomationFace> NewAutomationFace(IDevWizard*, ISetupDesignObjectBuild*) {
  return nullptr;
}

}  // namespace lumora::com
