#include "platform/qt/Playback.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Form.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/TextBox.h"
#include "platform/forms/UserInput.h"
#include "platform/qt/FormWindow.h"

namespace lumora::forms {

namespace {
constexpr int kPauseMs = 150;  // lets the window lay itself out and paint between actions
}

Playback::Playback(FormWindow& window, const std::string& scriptFile, const std::string& grabFolder)
    : window_(window), file_(scriptFile), grab_(QString::fromStdString(grabFolder)) {
  std::ifstream in(scriptFile, std::ios::binary);
  if (!in) {
    Stop("cannot read the playback script " + scriptFile);
    return;
  }
  std::ostringstream text;
  text << in.rdbuf();
  try {
    actions_ = ParseScript(text.str(), scriptFile);
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
  using Kind = ScriptAction::Kind;
  Form& form = window_.GetForm();
  InputOutcome outcome;
  switch (action.kind) {
    case Kind::Dump:
      Shoot(window_.Dialog());
      return {};
    case Kind::Close:
      outcome = UserInput::CloseBox(form);
      break;
    case Kind::Key:
      outcome = UserInput::Key(form, action.text == "Escape" ? kKeyEscape
                                     : action.text == "F1"   ? kKeyF1
                                                             : kKeyReturn);
      break;
    default: {
      Control* control = form.Find(action.control, action.index);
      if (control == nullptr) return "no control named " + action.control;
      if (action.kind == Kind::Click || action.kind == Kind::Focus) {
        outcome =
            action.kind == Kind::Click ? UserInput::Click(*control) : UserInput::Focus(*control);
      } else if (auto* list = dynamic_cast<ListView*>(control)) {
        const int32_t found = list->ListItems().FirstIndexOfText(action.text);
        if (found == 0) return control->DisplayName() + " has no entry \"" + action.text + "\"";
        outcome = UserInput::Tick(*list, found, action.kind == Kind::Tick);
      } else if (auto* combo = dynamic_cast<ComboBox*>(control)) {
        int16_t index = static_cast<int16_t>(action.number);
        for (int16_t i = 0; index < 0 && i < combo->ListCount(); ++i) {
          if (combo->List(i) == action.text) index = i;
        }
        if (index < 0) return control->DisplayName() + " has no entry \"" + action.text + "\"";
        outcome = UserInput::Choose(*combo, index);
      } else if (auto* box = dynamic_cast<TextBox*>(control)) {
        outcome = UserInput::Type(*box, action.text);
      } else {
        return control->DisplayName() + " cannot take that action";
      }
    }
  }
  return outcome ? std::string() : outcome.reason;
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
  std::fprintf(stderr, "lumora: playback stopped: %s\n", message.c_str());
  actions_.clear();
  Form& form = window_.GetForm();
  if (form.IsLoaded()) QTimer::singleShot(0, this, [&form] { UserInput::CloseBox(form); });
}

}  // namespace lumora::forms
