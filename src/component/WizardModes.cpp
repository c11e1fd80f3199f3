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
#include "component/terminal/TerminalPlugin.h"
#include "component/window/WindowPlugin.h"
#include "contract/ProcessState.h"
#include "contract/SharedLibrary.h"
#include "control/LumoraCtl.h"
#include "platform/InputFile.h"
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

// The window library, opened once and kept for the life of the process (Qt does not unload).
const window::WindowPlugin& LoadWindowPlugin(const std::string& path) {
  static const window::WindowPlugin* plugin = nullptr;
  if (plugin != nullptr) return *plugin;
  const LoadedLibrary library = LoadSharedLibrary(path);
  if (library.handle == nullptr) {
    throw HostError::BadInput("cannot load the wizard window's library: " + library.error +
                              kInstead);
  }
  auto entry =
      reinterpret_cast<window::PluginEntry>(LibrarySymbol(library.handle, window::kPluginEntry));
  const window::WindowPlugin* table = entry != nullptr ? entry() : nullptr;
  if (table == nullptr || table->version != window::kPluginVersion) {
    throw HostError::BadInput("the wizard window's library " + path +
                              " does not belong to this component" + kInstead);
  }
  plugin = table;
  return *plugin;
}

// The renderer of one run, made when the first form is shown or the first message box comes:
// until then the wizard reads what it will show while the window library loads. A library that
// cannot be loaded gives up the form and shows nothing; Failure() then says why.
class DeferredWindows : public forms::ModalDriver, public forms::Presenter {
 public:
  explicit DeferredWindows(std::future<const window::WindowPlugin*> loading)
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
      session_ = loading_.get()->openWindows(forms::App(), component::CurrentState());
    } catch (const HostError& e) {
      failure_ = e.what();
    }
    return session_ != nullptr;
  }

  std::future<const window::WindowPlugin*> loading_;
  std::unique_ptr<window::WindowSession> session_;
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
    const std::string path = OwnFolder() + "/" + window::kPluginFile;
    if (::access(path.c_str(), F_OK) != 0) {
      throw HostError::BadInput(
          "this lumora was built without Qt6, so it cannot open the wizard window; use --script "
          "FILE to drive the wizard headless");
    }
    std::promise<const window::WindowPlugin*> loaded;
    loading_ = loaded.get_future();
    loader_ = std::thread([path, loaded = std::move(loaded)]() mutable {
      std::function<void()> ahead;
      try {
        const window::WindowPlugin& plugin = LoadWindowPlugin(path);
        ahead = plugin.planStart();
        loaded.set_value(&plugin);
      } catch (...) {
        loaded.set_exception(std::current_exception());
        return;
      }
      ahead();  // the windows may open meanwhile
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
  std::future<const window::WindowPlugin*> loading_;
  std::thread loader_;
};

// The terminal library, opened once and kept for the life of the process.
const terminal::TerminalPlugin& LoadTerminalPlugin() {
  static const terminal::TerminalPlugin* plugin = nullptr;
  if (plugin != nullptr) return *plugin;
  const std::string path = OwnFolder() + "/" + terminal::kPluginFile;
  const LoadedLibrary library = LoadSharedLibrary(path);
  if (library.handle == nullptr) {
    throw HostError::BadInput("cannot load the wizard's terminal library: " + library.error +
                              "; use --script FILE to drive the wizard headless");
  }
  auto entry = reinterpret_cast<terminal::PluginEntry>(
      LibrarySymbol(library.handle, terminal::kPluginEntry));
  const terminal::TerminalPlugin* table = entry != nullptr ? entry() : nullptr;
  if (table == nullptr || table->version != terminal::kPluginVersion) {
    throw HostError::BadInput("the wizard's terminal library " + path +
                              " does not belong to this component");
  }
  plugin = table;
  return *plugin;
}

class TerminalMode : public WizardMode {
 public:
  // The terminal is checked here, before anything is shown.
  TerminalMode() : plugin_(LoadTerminalPlugin()) {
    if (const std::string why = plugin_.whyNoTerminal(); !why.empty()) {
      throw HostError::BadInput("cannot show the wizard in this terminal: " + why +
                                "; use --script FILE to drive the wizard headless");
    }
  }

  bool Run(LumoraCtl& control, DesignObject& object) override {
    std::shared_ptr<terminal::TerminalSession> session;
    try {
      session = plugin_.openTerminal(forms::App(), component::CurrentState());
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
  const terminal::TerminalPlugin& plugin_;
};

// Whether the window can be used: a display, and the window library built.
bool WindowPossible(std::string* why) {
  if (!forms::DisplayAvailable(why)) return false;
  if (::access((OwnFolder() + "/" + window::kPluginFile).c_str(), F_OK) != 0) {
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
