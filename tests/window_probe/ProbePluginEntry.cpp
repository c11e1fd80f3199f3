// The window probe: a window library for the project's own tools, built beside the real one and
// laid with a copy of lumora and its component in the build's probe/ folder. It makes the same
// windows as the real library and watches them, as the process's environment asks:
//   LUMORA_PROBE_SCRIPT=FILE  plays the wizard script FILE in the real window (Playback.h),
//   LUMORA_PROBE_SHOTS=DIR    saving its `dump` shots, message boxes and help topics in DIR;
//   LUMORA_PROBE_FIRST_FRAME=1  prints "first-frame NANOSECONDS" (wall clock) once the first
//                               window has painted, then closes it (bench/first_frame.sh).
#include <QMessageBox>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Playback.h"
#include "component/window/QtWindowSession.h"
#include "component/window/WindowPlugin.h"
#include "platform/qt/ApplicationStart.h"
#include "platform/qt/FormWindow.h"
#include "platform/qt/WindowWatcher.h"

namespace lumora::window {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

class ProbeWatcher : public forms::WindowWatcher {
 public:
  void WindowShown(forms::FormWindow& window) override {
    if (!script_.empty()) {
      playback_ = std::make_unique<forms::Playback>(window, script_, shots_);
      window.onFirstFrame = [p = playback_.get()] { p->Start(); };
    } else if (firstFrame_) {
      window.onFirstFrame = [&window] {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        std::printf("first-frame %lld\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fflush(stdout);
        window.Dialog().close();
      };
    }
  }
  void WindowClosed(forms::FormWindow&) override { playback_.reset(); }
  void MessageBoxShown(QMessageBox& box) override {
    if (playback_) playback_->Answer(box);
  }
  void HelpShown(QWidget& help, int32_t topic, bool found) override {
    // Named by the topic asked for, and whether the file had it, so a run can be checked by name.
    if (playback_)
      playback_->Shoot(help, (found ? "help-" : "help-missing-") + std::to_string(topic));
  }

 private:
  std::string script_ = Env("LUMORA_PROBE_SCRIPT");
  std::string shots_ = Env("LUMORA_PROBE_SHOTS");
  bool firstFrame_ = !Env("LUMORA_PROBE_FIRST_FRAME").empty();
  std::unique_ptr<forms::Playback> playback_;
};

class ProbeSession : public WindowSession {
 public:
  ProbeSession(forms::Application& application, component::State& state)
      : session_(application, state) {
    session_.Renderer().Watch(&watcher_);
  }
  ~ProbeSession() override { session_.Renderer().Watch(nullptr); }
  forms::ModalDriver& Driver() override { return session_.Driver(); }
  forms::Presenter& Presenter() override { return session_.Presenter(); }

 private:
  ProbeWatcher watcher_;
  QtWindowSession session_;
};

std::unique_ptr<WindowSession> OpenWindows(forms::Application& application,
                                           component::State& state) {
  return std::make_unique<ProbeSession>(application, state);
}

const WindowPlugin kPlugin = {kPluginVersion, OpenWindows, forms::PlanApplicationStart};

}  // namespace
}  // namespace lumora::window

extern "C" __attribute__((visibility("default"))) const lumora::window::WindowPlugin*
LumoraWindowPlugin() {
  return &lumora::window::kPlugin;
}
