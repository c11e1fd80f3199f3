// The terminal renderer of the forms runtime: it shows a modal form on the terminal's screen
// (FormView), message boxes as boxes drawn over it, and the help file's topic for F1 in a help
// pager. Install one instance as both the application's modal driver and its presenter; it
// owns the screen from construction to destruction, and the terminal is restored however the
// session ends. After a session ended by a signal (SIGHUP: the terminal is gone; SIGINT,
// SIGTERM) forms unload and message boxes answer their escape button at once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/forms/ModalDriver.h"
#include "platform/forms/Presenter.h"

namespace lumora::terminal {

class Screen;
class FormView;

class TerminalRenderer : public forms::ModalDriver, public forms::Presenter {
 public:
  // Starts the screen; throws std::runtime_error when this terminal cannot be used.
  TerminalRenderer();
  ~TerminalRenderer() override;
  TerminalRenderer(const TerminalRenderer&) = delete;
  TerminalRenderer& operator=(const TerminalRenderer&) = delete;

  void RunModal(forms::Form& form) override;
  // A box with the title, the prompt and the classic buttons of `buttons`; returns the classic
  // answer. Escape answers the box's escape button (Cancel, No, or OK when it is the only one).
  int16_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override;
  // The help pager on topic `contextId` of the compiled help file.
  void ShowHelp(const std::string& helpFile, int32_t contextId) override;

  // The signal that ended the session early (SIGHUP, SIGINT, SIGTERM), or 0.
  static int EndSignal();

 private:
  void Redraw();
  std::unique_ptr<Screen> screen_;
  FormView* view_ = nullptr;  // the innermost form shown, or null
};

}  // namespace lumora::terminal
