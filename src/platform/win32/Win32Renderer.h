// The native Win32 renderer of the forms runtime (Windows build): it shows a modal form as a
// window of the system's own controls, follows every property change of the runtime, and feeds
// a person's actions back only through UserInput, as the other renderers do. It is also the
// presenter: message boxes are the system's, and F1 opens the compiled help file at its topic.
// Install one instance as both the application's modal driver and its presenter.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/forms/ModalDriver.h"
#include "platform/forms/Presenter.h"

namespace lumora::forms {

class Win32FormWindow;

class Win32Renderer : public ModalDriver, public Presenter {
 public:
  Win32Renderer();
  // Builds the window from the form's controls (owned by the form shown before it, if any),
  // shows it and returns once the form has been unloaded.
  void RunModal(Form& form) override;
  // The system's message box; the classic button and icon bits and answers are the system's.
  int16_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override;
  // Opens the help file at topic `contextId` with the system's help viewer.
  void ShowHelp(const std::string& helpFile, int32_t contextId) override;
  // Runs the task on a thread of its own while the windows keep painting, with the busy cursor;
  // a person's clicks and keys are held off meanwhile, except Escape, which asks the task to stop.
  void RunBusy(const std::string& what, const CancellableTask& task) override;

 private:
  HWND Top() const;
  std::vector<Win32FormWindow*> shown_;  // innermost last
};

}  // namespace lumora::forms
