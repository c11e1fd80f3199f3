// lumora wizard OBJECT [--script FILE]: the wizard on a design object, played headless from a
// script, or in a window (WizardWindow.cpp) when no script is given. Exit 0 after Finish (the
// object rewritten), 1 when the wizard ended otherwise (the file untouched), 2 for a bad script or
// bad input (nothing written).
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <sstream>

#include "Command.h"
#include "WizardWindow.h"
#include "host/LumoraCtl.h"
#include "hostlib/DesignObjectFile.h"
#include "hostlib/HostSetupError.h"
#include "platform/forms/Application.h"
#include "platform/forms/ScriptDriver.h"
#include "ui/frmWizard.h"

namespace lumora::cli {
namespace {

bool ReadScript(const std::string& path, std::string& text) {
  if (path == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return true;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return !in.bad();
}

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

// Writes the object back after Finish.
ExitStatus SaveObject(DesignObjectFile& object) {
  try {
    object.Save();
  } catch (const DesignObjectFileError& e) {
    PrintError(e.what());
    return ExitStatus::kComponentNo;
  }
  return ExitStatus::kDone;
}

}  // namespace

void AddWizardOptions(CLI::App& sub, Invocation& invocation) {
  sub.add_option("OBJECT", invocation.object, "The design-object file (JSON)")->required();
  sub.add_option("--script", invocation.script,
                 "Run headless, playing the actions of FILE (- for standard input): click, "
                 "tick, untick, choose, type, focus, key, close, dump")
      ->each([&invocation](const std::string&) { invocation.scriptGiven = true; });
}

ExitStatus RunWizard(const Invocation& invocation) {
  std::unique_ptr<DesignObjectFile> object;
  try {
    object = std::make_unique<DesignObjectFile>(DesignObjectFile::Load(invocation.object));
  } catch (const DesignObjectFileError& e) {
    PrintError(e.what());
    return ExitStatus::kBadUsage;
  }
  if (!invocation.scriptGiven) {
    bool finished = false;
    const ExitStatus status = RunWizardWindow(invocation, *object, finished);
    if (status != ExitStatus::kDone) return status;
    return finished ? SaveObject(*object) : ExitStatus::kComponentNo;
  }
  const std::string scriptName = invocation.script == "-" ? "<stdin>" : invocation.script;
  std::string scriptText;
  if (!ReadScript(invocation.script, scriptText)) {
    PrintError("cannot read the script " + scriptName);
    return ExitStatus::kBadUsage;
  }
  std::vector<forms::ScriptAction> actions;
  try {
    actions = forms::ParseScript(scriptText, scriptName);
  } catch (const forms::ScriptError& e) {
    PrintError(e.what());
    return ExitStatus::kBadUsage;
  }
  try {
    AttachHost(invocation);
  } catch (const HostSetupError& e) {
    PrintError(e.what());
    return ExitStatus::kBadUsage;
  }

  auto driver = std::make_shared<forms::ScriptDriver>(std::move(actions), scriptName, std::cout);
  driver->SetStepReader([](const forms::Form& form) -> int32_t {
    const auto* wizard = dynamic_cast<const frmWizard*>(&form);
    return wizard != nullptr ? wizard->CurrentStep : 0;
  });
  bool finished = false;
  {
    DriverInstallation installed(driver);
    LumoraCtl control;
    finished = control.IDevWizard_Display(object.get());
  }
  std::cout.flush();
  if (driver->Failed()) {
    PrintError(driver->Message() + "; nothing written");
    return ExitStatus::kBadUsage;
  }
  if (driver->UnplayedLine() != 0) {
    PrintError(scriptName + ":" + std::to_string(driver->UnplayedLine()) +
               ": the wizard had already closed; this action and the ones after it were not "
               "played; nothing written");
    return ExitStatus::kBadUsage;
  }
  if (!finished) return ExitStatus::kComponentNo;
  return SaveObject(*object);
}

}  // namespace lumora::cli
