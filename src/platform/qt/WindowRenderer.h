// The window renderer of the forms runtime: it shows a modal form as a real window with one Qt
// widget per control, follows every property change of the runtime, and feeds a person's mouse
// and key actions back only through UserInput, so handlers see the classic events in the classic
// order. It is also the presenter: message boxes are native dialogs and F1 opens the compiled
// help file at its topic in a help window. Install one instance as both the application's modal
// driver and its presenter; a Qt application must exist (GuiApplication) while a form is shown.
// No Qt header is visible here: the widgets live behind the private part.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/forms/Display.h"
#include "platform/forms/ModalDriver.h"
#include "platform/forms/Presenter.h"

namespace lumora::forms {

class WindowWatcher;

class WindowRenderer : public ModalDriver, public Presenter {
 public:
  WindowRenderer();
  ~WindowRenderer() override;
  WindowRenderer(const WindowRenderer&) = delete;
  WindowRenderer& operator=(const WindowRenderer&) = delete;

  // Builds the window from the form's controls, shows it modally and returns once the form
  // has been unloaded (the window closes with it).
  void RunModal(Form& form) override;
  // A native message box with the title, the text and the classic buttons and icon of
  // `buttons`; returns the classic answer (kVbOK for an OK-only box).
  int16_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override;
  // Opens the help window on topic `contextId` of the compiled help file; a missing or
  // unreadable file, or a missing topic, is said in the window.
  void ShowHelp(const std::string& helpFile, int32_t contextId) override;
  // Runs the task on a thread of its own while the window keeps answering: a busy cursor and,
  // after a moment, a small dialog whose Cancel button asks the task to stop.
  void RunBusy(const std::string& what, const CancellableTask& task) override;

  // Lets `watcher` (not owned; null for none) see the windows this renderer shows.
  void Watch(WindowWatcher* watcher);

  struct Private;

 private:
  std::unique_ptr<Private> d_;
};

// The process's Qt application: created here when none exists yet, destroyed with this object
// when it was created here.
class GuiApplication {
 public:
  GuiApplication();
  ~GuiApplication();
  GuiApplication(const GuiApplication&) = delete;
  GuiApplication& operator=(const GuiApplication&) = delete;

 private:
  struct Owned;
  std::unique_ptr<Owned> owned_;
};

}  // namespace lumora::forms
