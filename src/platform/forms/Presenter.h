// How the forms runtime talks to a person outside the form: message boxes and help requests.
// The application holds one presenter (see Application.h); the script driver answers every
// message box with OK and prints it, a window renderer shows real dialogs.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace lumora::forms {

// Classic message-box buttons (the low bits of the Buttons argument) and answers.
inline constexpr int32_t kVbOKOnly = 0;
inline constexpr int16_t kVbOK = 1;

class Presenter {
 public:
  virtual ~Presenter() = default;
  // Shows a message box and returns the button chosen (kVbOK for an OK-only box).
  virtual int16_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) = 0;
  // Opens the help file at the topic with that context number (0: the file's default topic).
  virtual void ShowHelp(const std::string& helpFile, int32_t contextId) = 0;
  // Runs `task`, which may take seconds and polls `cancel`, while the person sees that the
  // program is busy (`what` says at what) and may cancel it. The task touches no control. By
  // default it runs here and now; a window renderer keeps its window answering meanwhile.
  using CancellableTask = std::function<void(const std::atomic<bool>& cancel)>;
  virtual void RunBusy(const std::string& what, const CancellableTask& task) {
    (void)what;
    const std::atomic<bool> never{false};
    task(never);
  }
};

// A presenter that answers OK and shows nothing: the default until a renderer installs one.
class SilentPresenter : public Presenter {
 public:
  int16_t MsgBox(const std::string&, int32_t, const std::string&) override { return kVbOK; }
  void ShowHelp(const std::string&, int32_t) override {}
};

}  // namespace lumora::forms
