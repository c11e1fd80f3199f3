// LumoraCtl, the component's one creatable class. The host calls IDevWizard_Display to let the
// author configure the object, and ISetupDesignObjectBuild_IsIncluded at build time. It keeps
// the current wizard session and service object until the next Display replaces them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "contract/DesignObject.h"

namespace lumora {

class Wizard;
class WizAPI;

class LumoraCtl {
 public:
  LumoraCtl();
  ~LumoraCtl();
  LumoraCtl(const LumoraCtl&) = delete;
  LumoraCtl& operator=(const LumoraCtl&) = delete;

  // Runs the wizard modally on the design object; true when the author finished and the
  // choices were written back. Traps every failure ("LumoraCtl:IDevWizard_Display").
  bool IDevWizard_Display(DesignObject* oObject);

  // Whether the feature at `FeaturePath` goes into the build, from the stored choices alone.
  // Traps nothing: a failure reading the design object goes back to the caller.
  bool ISetupDesignObjectBuild_IsIncluded(DesignObject* pObject, const std::string& FeaturePath);

  // The current session and service object (null before the first call that makes them).
  Wizard* CurrentWizard() const { return wizard_.get(); }
  WizAPI* CurrentWizAPI() const { return wizAPI_.get(); }
  // The step the current session's form shows (0 without a session).
  int32_t CurrentStep() const;

 private:
  // Build-time answers for the driver lists last asked about, by feature row (-1: not known
  // yet). The lists are held, and a list never changes once made, so while the host hands out
  // the same lists the answers stand.
  struct DriverAnswers {
    Value drivers, selections;
    std::vector<int8_t> byRow;
  };

  std::shared_ptr<Wizard> wizard_;
  std::shared_ptr<WizAPI> wizAPI_;
  DriverAnswers answers_;
};

}  // namespace lumora
