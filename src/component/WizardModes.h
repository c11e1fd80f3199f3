// The ways the component shows the wizard, as the host site asks: headless, played from a
// script file by the script driver (its output on standard output), in a window drawn by the
// Qt renderer of the window library, or in the terminal by the curses renderer of the terminal
// library (each library loaded only then); or the window when a display can be reached and
// else the terminal. Prepare checks everything the
// host can get wrong before anything is shown; Run shows the wizard.
#pragma once

#include <memory>

#include "component/HostAdapters.h"

namespace lumora {
class LumoraCtl;
class DesignObject;
}  // namespace lumora

namespace lumora::com {

class WizardMode {
 public:
  virtual ~WizardMode() = default;
  // The script cannot be read or parsed, or no window can be shown: throws HostError.
  static std::unique_ptr<WizardMode> Prepare(const HostCall& call);
  // Runs LumoraCtl's IDevWizard_Display in this mode; true after Finish. A script that could not
  // be played to its end throws HostError (the caller writes nothing).
  virtual bool Run(LumoraCtl& control, DesignObject& object) = 0;
};

}  // namespace lumora::com
