#include "Playback.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "contract/MessageText.h"
#include "platform/InputFile.h"
#include "platform/forms/Form.h"
#include "platform/forms/PlayAction.h"
#include "platform/forms/UserInput.h"
#include "platform/qt/FormWindow.h"

namespace lumora::forms {

namespace {
constexpr int kPauseMs = 150;  // lets the window lay itself out and paint between actions
}

Playback::Playback(FormWindow& window, const std::string& scriptFile, const std::string& grabFolder)
    : window_(window), file_(scriptFile), grab_(QString::fromStdString(grabFolder)) {
  try {
    actions_ = ParseScript(ReadInputFile(scriptFile, "playback script", Pipes::Read), scriptFile);
  } catch (const HostError& error) {
    Stop(error.what());
  } catch (const ScriptError& error) {
    Stop(error.what());
  }
  if (!grab_.isEmpty()) QDir().mkpath(grab_);
}

void Playback::Start() {
  QTimer::singleShot(kPauseMs, this, [this] { Step(); });
}

void Playback::Step() {
  Form& form = window_.GetForm();
  if (!form.IsLoaded()) return;
  if (next_ >= actions_.size()) {
    UserInput::CloseBox(form);  // a script that ends with the window open closes it
    return;
  }
  const ScriptAction& action = actions_[next_++];
  const std::string problem = Play(action);
  if (!problem.empty()) return Stop(file_ + ":" + std::to_string(action.line) + ": " + problem);
  if (form.IsLoaded()) QTimer::singleShot(kPauseMs, this, [this] { Step(); });
}

std::string Playback::Play(const ScriptAction& action) {
  if (action.kind == ScriptAction::Kind::Dump) {
    Shoot(window_.Dialog());
    return {};
  }
  return PlayAction(window_.GetForm(), action);
}

void Playback::Shoot(QWidget& widget, const std::string& name) {
  if (grab_.isEmpty()) return;
  ++shots_;
  const QString file = name.empty() ? QStringLiteral("shot-%1.png").arg(shots_)
                                    : QString::fromStdString(name) + QStringLiteral(".png");
  widget.grab().save(QDir(grab_).filePath(file));
}

void Playback::Answer(QMessageBox& box) {
  QTimer::singleShot(kPauseMs * 2, &box, [this, &box] {
    Shoot(box);
    box.accept();
  });
}

void Playback::Stop(const std::string& message) {
  std::fprintf(stderr, "lumora: playback stopped: %s\n", EscapeForMessage(message).c_str());
  actions_.clear();
  Form& form = window_.GetForm();
  if (form.IsLoaded()) QTimer::singleShot(0, this, [&form] { UserInput::CloseBox(form); });
}

}  // namespace lumora::forms
