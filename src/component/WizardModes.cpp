#include "component/WizardModes.h"

#include <unistd.h>

#include <fstream>
#include <functional>
#include <future>
#include <iostream>
#include <iterator>
#include <sstream>
#include <thread>

#include "component/ComponentState.h"
#include "component/plugin/RendererPlugin.h"
#include "contract/ProcessState.h"
#include "contract/SharedLibrary.h"
#include "control/LumoraCtl.h"
#include "platform/InputFile.h"
#include "platform/PluginLibrary.h"
#include "platform/forms/Application.h"
#include "platform/forms/Display.h"
#include "platform/forms/Form.h"
#include "platform/forms/ScriptDriver.h"

namespace lumora::com {
namespace {

constexpr const char* kInstead =
    "; use --script FILE to drive the wizard headless, or run under a virtual display "
    "(for example: xvfb-run lumora wizard OBJECT)";

// Installs the application's modal driver and presenter for one run.
class DriverInstallation {
 public:
  DriverInstallation(std::shared_ptr<forms::ModalDriver> driver,
                     std::shared_ptr<forms::Presenter> presenter) {
    forms::App().SetModalDriver(std::move(driver));
    forms::App().SetPresenter(std::move(presenter));
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
  // A script file (or a pipe named like one) is read and checked whole before the wizard
  // opens; standard input is played line by line as it arrives.
  explicit ScriptMode(const std::string& script) : scriptName_(script == "-" ? "<stdin>" : script) {
    try {
      if (script == "-") {
        CheckStandardInput(scriptName_, "script");
        source_ = std::make_unique<forms::StreamedScript>(std::cin, scriptName_);
        return;
      }
      source_ = std::make_unique<forms::ParsedScript>(
          forms::ParseScript(ReadInputFile(script, "script", Pipes::Read), scriptName_));
    } catch (const forms::ScriptError& e) {
      throw HostError::BadInput(e.what());
    }
  }

  bool Run(LumoraCtl& control, DesignObject& object) override {
    auto driver = std::make_shared<forms::ScriptDriver>(std::move(source_), scriptName_, std::cout);
    driver->SetStepReader([&control](const forms::Form&) { return control.CurrentStep(); });
    bool finished = false;
    {
      DriverInstallation installed(driver, driver);
      finished = control.IDevWizard_Display(&object);
    }
    std::cout.flush();
    if (driver->Failed()) throw HostError::BadInput(driver->Message() + "; nothing written");
    if (!driver->Opened()) {
      // The failure was reported where it happened; the script is not to blame.
      throw HostError::BadInput(
          "the wizard did not open (the error above says why); the script was not played; "
          "nothing written");
    }
    const int unplayed = driver->UnplayedLine();
    if (driver->Failed()) throw HostError::BadInput(driver->Message() + "; nothing written");
    if (unplayed != 0) {
      throw HostError::BadInput(
          scriptName_ + ":" + std::to_string(unplayed) +
          ": the wizard had already closed; this action and the ones after it "
          "were not played; nothing written");
    }
    return finished;
  }

 private:
  std::string scriptName_;
  std::unique_ptr<forms::ScriptSource> source_;
};

// A renderer library of this component, kept for the life of the process (Qt does not unload).
const renderer::RendererPlugin& LoadRenderer(const std::string& path, const PluginUse& use) {
  return LoadPlugin<renderer::RendererPlugin>(path, renderer::kRendererPluginEntry,
                                              renderer::kRendererPluginVersion, use);
}

const PluginUse kWindowUse = {
    .library = "the wizard window's library", .owner = "this component", .advice = kInstead};
const PluginUse kTerminalUse = {.library = "the wizard's terminal library",
                                .owner = "this component",
                                .advice = "; use --script FILE to drive the wizard headless"};

// The renderer of one run, made when the first form is shown or the first message box comes:
// until then the wizard reads what it will show while the window library loads. A library that
// cannot be loaded gives up the form and shows nothing; Failure() then says why.
class DeferredWindows : public forms::ModalDriver, public forms::Presenter {
 public:
  explicit DeferredWindows(std::future<const renderer::RendererPlugin*> loading)
      : loading_(std::move(loading)) {}

  void RunModal(forms::Form& form) override {
    if (Open()) {
      session_->Driver().RunModal(form);
    } else if (form.IsLoaded()) {
      form.Unload(forms::kAppWindows);
    }
  }
  int16_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override {
    return Open() ? session_->Presenter().MsgBox(prompt, buttons, title) : forms::kVbOK;
  }
  void ShowHelp(const std::string& helpFile, int32_t contextId) override {
    if (Open()) session_->Presenter().ShowHelp(helpFile, contextId);
  }

  // Closes the windows (the Qt application ends with them).
  void Close() { session_.reset(); }
  const std::string& Failure() const { return failure_; }

 private:
  bool Open() {
    if (session_) return true;
    if (!failure_.empty()) return false;
    try {
      session_ = loading_.get()->open(forms::App(), component::CurrentState());
    } catch (const std::runtime_error& e) {
      failure_ = e.what();
    }
    return session_ != nullptr;
  }

  std::future<const renderer::RendererPlugin*> loading_;
  std::unique_ptr<renderer::RendererSession> session_;
  std::string failure_;
};

class WindowMode : public WizardMode {
 public:
  // The display and the library are checked here; the library (and Qt with it) then loads on a
  // second thread while the wizard starts, and that thread goes on to prepare what the windows
  // will need.
  WindowMode() {
    std::string why;
    if (!forms::DisplayAvailable(&why)) {
      throw HostError::BadInput("cannot open the wizard window: " + why + kInstead);
    }
    const std::string path = OwnFolder() + "/" + renderer::kWindowLibrary;
    if (::access(path.c_str(), F_OK) != 0) {
      throw HostError::BadInput(
          "this lumora was built without Qt6, so it cannot open the wizard window; use --script "
          "FILE to drive the wizard headless");
    }
    std::promise<const renderer::RendererPlugin*> loaded;
    loading_ = loaded.get_future();
    loader_ = std::thread([path, loaded = std::move(loaded)]() mutable {
      std::function<void()> ahead;
      try {
        const renderer::RendererPlugin& plugin = LoadRenderer(path, kWindowUse);
        ahead = plugin.planStart();
        loaded.set_value(&plugin);
      } catch (...) {
        loaded.set_exception(std::current_exception());
        return;
      }
      if (ahead) ahead();  // the windows may open meanwhile
    });
  }
  ~WindowMode() override { loader_.join(); }
  WindowMode(const WindowMode&) = delete;
  WindowMode& operator=(const WindowMode&) = delete;

  bool Run(LumoraCtl& control, DesignObject& object) override {
    auto windows = std::make_shared<DeferredWindows>(std::move(loading_));
    bool finished = false;
    {
      DriverInstallation installed(windows, windows);
      finished = control.IDevWizard_Display(&object);
    }
    windows->Close();
    if (!windows->Failure().empty()) throw HostError::BadInput(windows->Failure());
    return finished;
  }

 private:
  std::future<const renderer::RendererPlugin*> loading_;
  std::thread loader_;
};

class TerminalMode : public WizardMode {
 public:
  // The terminal is checked here, before anything is shown.
  TerminalMode()
      : plugin_(LoadRenderer(OwnFolder() + "/" + renderer::kTerminalLibrary, kTerminalUse)) {
    if (const std::string why = plugin_.whyUnavailable(); !why.empty()) {
      throw HostError::BadInput("cannot show the wizard in this terminal: " + why +
                                "; use --script FILE to drive the wizard headless");
    }
  }

  bool Run(LumoraCtl& control, DesignObject& object) override {
    std::shared_ptr<renderer::RendererSession> session;
    try {
      session = plugin_.open(forms::App(), component::CurrentState());
    } catch (const std::runtime_error& e) {
      throw HostError::BadInput(std::string("cannot show the wizard in this terminal: ") +
                                e.what());
    }
    bool finished = false;
    {
      // The session outlives the installation: both driver and presenter point into it.
      std::shared_ptr<forms::ModalDriver> driver(session, &session->Driver());
      std::shared_ptr<forms::Presenter> presenter(session, &session->Presenter());
      DriverInstallation installed(driver, presenter);
      finished = control.IDevWizard_Display(&object);
    }
    const int ended = session->EndSignal();
    session.reset();  // the terminal is given back here
    if (ended != 0) {
      // The person's terminal went away or the run was stopped: like Cancel, nothing is stored.
      std::cerr << "lumora: the wizard's terminal session ended (signal " << ended
                << "); nothing written" << std::endl;
      return false;
    }
    return finished;
  }

 private:
  const renderer::RendererPlugin& plugin_;
};

// Whether the window can be used: a display, and the window library built.
bool WindowPossible(std::string* why) {
  if (!forms::DisplayAvailable(why)) return false;
  if (::access((OwnFolder() + "/" + renderer::kWindowLibrary).c_str(), F_OK) != 0) {
    *why = "this lumora was built without Qt6";
    return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<WizardMode> WizardMode::Prepare(const HostCall& call) {
  switch (call.mode) {
    case LUMORA_WIZARD_SCRIPT:
      return std::make_unique<ScriptMode>(call.script);
    case LUMORA_WIZARD_TERMINAL:
      return std::make_unique<TerminalMode>();
    case LUMORA_WIZARD_CHOOSE: {
      std::string noWindow;
      if (WindowPossible(&noWindow)) return std::make_unique<WindowMode>();
      if (::isatty(STDIN_FILENO) == 0 || ::isatty(STDOUT_FILENO) == 0) {
        throw HostError::BadInput(
            "cannot open the wizard window: " + noWindow +
            ", and standard input and output are not a terminal to show it in; "
            "run it in a terminal, use --script FILE to drive the wizard "
            "headless, or run under a virtual display (for example: xvfb-run "
            "lumora wizard OBJECT)");
      }
      return std::make_unique<TerminalMode>();
    }
    default:
      return std::make_unique<WindowMode>();
  }
}

}  // namespace lumora::com
