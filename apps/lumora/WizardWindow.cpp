// The window branch of `lumora wizard OBJECT`: without --script the wizard opens in a real
// window, drawn by the Qt renderer, when this build has it and a display can be reached.
// Otherwise the command says what to do instead and ends with exit status 2.
#include "WizardWindow.h"
#include "Command.h"
#include "host/LumoraCtl.h"
#include "hostlib/DesignObjectFile.h"
#include "hostlib/HostSetupError.h"

#ifdef LUMORA_HAVE_QT
#include <memory>

#include "platform/forms/Application.h"
#include "platform/qt/WindowRenderer.h"
#endif

namespace lumora::cli {

namespace {
constexpr const char* kInstead =
    "; use --script FILE to drive the wizard headless, or run under a virtual display "
    "(for example: xvfb-run lumora wizard OBJECT)";
}

ExitStatus RunWizardWindow(const Invocation& invocation, DesignObjectFile& object, bool& finished) {
  finished = false;
#ifndef LUMORA_HAVE_QT
  (void)object;
  (void)invocation;
  PrintError(
      "this lumora was built without Qt6, so it cannot open the wizard window; use --script "
      "FILE to drive the wizard headless");
  return ExitStatus::kBadUsage;
#else
  std::string why;
  if (!forms::DisplayAvailable(&why)) {
    PrintError("cannot open the wizard window: " + why + kInstead);
    return ExitStatus::kBadUsage;
  }
  try {
    AttachHost(invocation);
  } catch (const HostSetupError& e) {
    PrintError(e.what());
    return ExitStatus::kBadUsage;
  }
  forms::GuiApplication application;
  auto renderer = std::make_shared<forms::WindowRenderer>();
  forms::App().SetModalDriver(renderer);
  forms::App().SetPresenter(renderer);
  {
    LumoraCtl control;
    finished = control.IDevWizard_Display(&object);
  }
  forms::App().SetModalDriver(nullptr);
  forms::App().SetPresenter(nullptr);
  return ExitStatus::kDone;
#endif
}

}  // namespace lumora::cli
