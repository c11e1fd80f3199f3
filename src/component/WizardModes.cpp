#include "component/WizardModes.h"

#include <dlfcn.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "component/ComponentState.h"
#include "component/window/WindowPlugin.h"
#include "contract/Environment.h"
#include "control/LumoraCtl.h"
#include "platform/InputFile.h"
#include "platform/forms/Application.h"
#include "platform/forms/ScriptDriver.h"

namespace lumora::com {
namespace {

constexpr const char* kInstead =
    "; use --script FILE to drive the wizard headless, or run under a virtual display "
    "(for example: xvfb-run lumora wizard OBJECT)";

// Installs the script driver as the application's modal driver and presenter for one run.
class DriverInstallation {
 public:
  explicit DriverInstallation(std::shared_ptr<forms::ScriptDriver> driver) {
    forms::App().SetModalDriver(driver);
    forms::App().SetPresenter(driver);
  }
  ~DriverInstallation() {
    forms::App().SetModalDriver(nullptr);
    forms::App().SetPresenter(nullptr);
  }
  DriverInstallation(const DriverInstallation&) = delete;
  DriverInstallation& operator=(const DriverInstallation&) = delete;
};

class ScriptMode : public WizardMode {
 public:
  // A script file is read and checked whole before the wizard opens; standard input is played
  // line by line as it arrives.
  explicit ScriptMode(const std::string& script) : scriptName_(script == "-" ? "<stdin>" : script) {
    if (script == "-") {
      source_ = std::make_unique<forms::StreamedScript>(std::cin, scriptName_);
      return;
    }
    try {
      source_ = std::make_unique<forms::ParsedScript>(
          forms::ParseScript(ReadInputFile(script, "script"), scriptName_));
    } catch (const InputFileError& e) {
      throw HostInputError(e.what());
    } catch (const forms::ScriptError& e) {
      throw HostInputError(e.what());
    }
  }

  bool Run(LumoraCtl& control, DesignObject& object) override {
    auto driver = std::make_shared<forms::ScriptDriver>(std::move(source_), scriptName_, std::cout);
    driver->SetStepReader([&control](const forms::Form&) { return control.CurrentStep(); });
    bool finished = false;
    {
      DriverInstallation installed(driver);
      finished = control.IDevWizard_Display(&object);
    }
    std::cout.flush();
    if (driver->Failed()) throw HostInputError(driver->Message() + "; nothing written");
    if (!driver->Opened()) {
      // The failure was reported where it happened; the script is not to blame.
      throw HostInputError(
          "the wizard did not open (the error above says why); the script was not played; "
          "nothing written");
    }
    const int unplayed = driver->UnplayedLine();
    if (driver->Failed()) throw HostInputError(driver->Message() + "; nothing written");
    if (unplayed != 0) {
      throw HostInputError(scriptName_ + ":" + std::to_string(unplayed) +
                           ": the wizard had already closed; this action and the ones after it "
                           "were not played; nothing written");
    }
    return finished;
  }

 private:
  std::string scriptName_;
  std::unique_ptr<forms::ScriptSource> source_;
};

// The window library, opened once and kept for the life of the process (Qt does not unload).
const window::WindowPlugin& LoadWindowPlugin() {
  static const window::WindowPlugin* plugin = nullptr;
  if (plugin != nullptr) return *plugin;
  const std::string path = OwnFolder() + "/" + window::kPluginFile;
  if (::access(path.c_str(), F_OK) != 0) {
    throw HostInputError(
        "this lumora was built without Qt6, so it cannot open the wizard window; use --script "
        "FILE to drive the wizard headless");
  }
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = ::dlerror();
    throw HostInputError("cannot load the wizard window's library: " +
                         std::string(why != nullptr ? why : path) + kInstead);
  }
  auto entry = reinterpret_cast<window::PluginEntry>(::dlsym(library, window::kPluginEntry));
  const window::WindowPlugin* table = entry != nullptr ? entry() : nullptr;
  if (table == nullptr || table->version != window::kPluginVersion) {
    throw HostInputError("the wizard window's library " + path +
                         " does not belong to this component" + kInstead);
  }
  plugin = table;
  return *plugin;
}

class WindowMode : public WizardMode {
 public:
  WindowMode() : plugin_(LoadWindowPlugin()) {
    std::string why;
    if (!plugin_.displayAvailable(&why)) {
      throw HostInputError("cannot open the wizard window: " + why + kInstead);
    }
  }

  bool Run(LumoraCtl& control, DesignObject& object) override {
    bool finished = false;
    plugin_.runWithWindows(forms::App(), component::CurrentState(),
                           [&] { finished = control.IDevWizard_Display(&object); });
    return finished;
  }

 private:
  const window::WindowPlugin& plugin_;
};

}  // namespace

std::unique_ptr<WizardMode> WizardMode::Prepare(const HostCall& call) {
  if (call.mode == LUMORA_WIZARD_SCRIPT) return std::make_unique<ScriptMode>(call.script);
  return std::make_unique<WindowMode>();
}

}  // namespace lumora::com
