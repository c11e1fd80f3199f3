// The window probe: a window library for the project's own tools, built beside the real one and
// laid with a copy of lumora and its component in the build's probe/ folder. It makes the same
// windows as the real library and watches them, as the process's environment asks:
//   LUMORA_PROBE_SCRIPT=FILE  plays the wizard script FILE in the real window (Playback below),
//   LUMORA_PROBE_SHOTS=DIR    saving its `dump` shots, message boxes and help topics in DIR;
//   LUMORA_PROBE_FIRST_FRAME=1  prints "first-frame NANOSECONDS" (wall clock) once the first
//                               window has painted, then closes it (bench/first_frame.sh).
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "component/plugin/RendererPlugin.h"
#include "component/window/QtWindowSession.h"
#include "contract/MessageText.h"
#include "platform/InputFile.h"
#include "platform/forms/Form.h"
#include "platform/forms/PlayAction.h"
#include "platform/forms/ScriptParser.h"
#include "platform/forms/UserInput.h"
#include "platform/qt/ApplicationStart.h"
#include "platform/qt/FormWindow.h"
#include "platform/qt/WindowWatcher.h"

namespace lumora::window {
namespace {

using forms::UserInput;

constexpr int kPauseMs = 150;  // lets the window lay itself out and paint between actions

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// A wizard script played in a real window, for the project's screenshot tools. Actions are those
// of the headless script driver and go through UserInput one at a time, a moment apart, once the
// window has painted; `dump` saves the window as shot-N.png in the shots folder. Message boxes
// are saved the same way and answered after a moment. A failing action is printed on standard
// error and closes the window with its close box.
class Playback : public QObject {
 public:
  Playback(forms::FormWindow& window, const std::string& scriptFile, const std::string& shots)
      : window_(window), file_(scriptFile), shots_(QString::fromStdString(shots)) {
    try {
      actions_ =
          forms::ParseScript(ReadInputFile(scriptFile, "playback script", Pipes::Read), scriptFile);
    } catch (const HostError& error) {
      Stop(error.what());
    } catch (const forms::ScriptError& error) {
      Stop(error.what());
    }
    if (!shots_.isEmpty()) QDir().mkpath(shots_);
  }

  void Start() {
    QTimer::singleShot(kPauseMs, this, [this] { Step(); });
  }
  // Saves the message box and answers it with its default button shortly after it is shown.
  void Answer(QMessageBox& box) {
    QTimer::singleShot(kPauseMs * 2, &box, [this, &box] {
      Shoot(box);
      box.accept();
    });
  }
  // Saves `widget` as shot-N.png (N counting every shot) or, given a name, as NAME.png.
  void Shoot(QWidget& widget, const std::string& name = {}) {
    if (shots_.isEmpty()) return;
    ++shot_;
    const QString file = name.empty() ? QStringLiteral("shot-%1.png").arg(shot_)
                                      : QString::fromStdString(name) + QStringLiteral(".png");
    widget.grab().save(QDir(shots_).filePath(file));
  }

 private:
  void Step() {
    forms::Form& form = window_.GetForm();
    if (!form.IsLoaded()) return;
    if (next_ >= actions_.size()) {
      UserInput::CloseBox(form);  // a script that ends with the window open closes it
      return;
    }
    const forms::ScriptAction& action = actions_[next_++];
    std::string problem;  // why a person could not do it
    if (action.kind == forms::ScriptAction::Kind::Dump) {
      Shoot(window_.Dialog());
    } else {
      problem = forms::PlayAction(form, action);
    }
    if (!problem.empty()) return Stop(file_ + ":" + std::to_string(action.line) + ": " + problem);
    if (form.IsLoaded()) QTimer::singleShot(kPauseMs, this, [this] { Step(); });
  }
  void Stop(const std::string& message) {
    std::fprintf(stderr, "lumora: playback stopped: %s\n", EscapeForMessage(message).c_str());
    actions_.clear();
    forms::Form& form = window_.GetForm();
    if (form.IsLoaded()) QTimer::singleShot(0, this, [&form] { UserInput::CloseBox(form); });
  }

  forms::FormWindow& window_;
  std::string file_;
  QString shots_;
  std::vector<forms::ScriptAction> actions_;
  size_t next_ = 0;
  int shot_ = 0;
};

class ProbeWatcher : public forms::WindowWatcher {
 public:
  void WindowShown(forms::FormWindow& window) override {
    if (!script_.empty()) {
      playback_ = std::make_unique<Playback>(window, script_, shots_);
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
  std::unique_ptr<Playback> playback_;
};

class ProbeSession : public renderer::RendererSession {
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

std::string AlwaysAvailable() {
  return {};
}

std::unique_ptr<renderer::RendererSession> OpenWindows(forms::Application& application,
                                                       component::State& state) {
  return std::make_unique<ProbeSession>(application, state);
}

const renderer::RendererPlugin kPlugin = {renderer::kRendererPluginVersion, AlwaysAvailable,
                                          forms::PlanApplicationStart, OpenWindows};

}  // namespace
}  // namespace lumora::window

extern "C" __attribute__((visibility("default"))) const lumora::renderer::RendererPlugin*
LumoraRendererPlugin() {
  return &lumora::window::kPlugin;
}
