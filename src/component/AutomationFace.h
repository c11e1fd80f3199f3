// The interfaces a platform adds to LumoraCtl beside IDevWizard and ISetupDesignObjectBuild: on
// Windows its dual automation interface for script hosts (com/LumoraCtlDispatch.h), elsewhere
// none. A face lives as long as its LumoraCtl and counts references on it.
#pragma once

#include <memory>

#include "lumora/BVLumora.h"

namespace lumora::com {

class AutomationFace {
 public:
  virtual ~AutomationFace() = default;
  // The face for `iid` without a reference of its own, or null.
  virtual void* Find(const LumoraGuid& iid) = 0;
};

// The faces for the LumoraCtl whose interfaces are `wizard` (also its identity) and `build`; null
// where the platform adds none.
std::unique_ptr<AutomationFace> NewAutomationFace(IDevWizard* wizard,
                                                  ISetupDesignObjectBuild* build);

}  // namespace lumora::com
