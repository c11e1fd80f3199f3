// The headless renderer: plays a wizard script (one action a line, see ScriptParser.h) against a
// modal form, acting only through UserInput like a person would. The actions come from a
// ScriptSource: a script parsed whole, or lines played one by one as they arrive on a stream
// (`--script -`), every line of output flushed at once so a program can drive a live wizard. It is
// also the presenter while it runs: message boxes are answered OK and printed as
// {"msgbox":{"title":…,"text":…}}, help requests as {"help":{"file":…,"topic":N}}, each one JSON
// line on the output stream. An action a person could not do stops the run: the driver closes the
// window with its close box and remembers the message ("FILE:LINE: ..."), which the host prints
// before exiting with 2.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/forms/ModalDriver.h"
#include "platform/forms/Presenter.h"
#include "platform/forms/ScriptParser.h"

namespace lumora::forms {

class Form;

class ScriptDriver : public ModalDriver, public Presenter {
 public:
  ScriptDriver(std::unique_ptr<ScriptSource> source, std::string file, std::ostream& out);
  ScriptDriver(std::vector<ScriptAction> actions, std::string file, std::ostream& out)
      : ScriptDriver(std::make_unique<ParsedScript>(std::move(actions)), std::move(file), out) {}

  // What `dump` reports as "step" (the host knows the form's page member); 0 by default.
  void SetStepReader(std::function<int32_t(const Form&)> reader) {
    stepReader_ = std::move(reader);
  }

  void RunModal(Form& form) override;
  int16_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override;
  void ShowHelp(const std::string& helpFile, int32_t contextId) override;

  // A form was shown to the driver (false when the wizard failed before it opened).
  bool Opened() const { return opened_; }
  // The run stopped at an action a person could not do; Message() says which and why.
  bool Failed() const { return !message_.empty(); }
  const std::string& Message() const { return message_; }
  // The line of the first action not played (0 when every action was played); reads on to the
  // end of a streamed script.
  int UnplayedLine();

 private:
  void Play(Form& form, const ScriptAction& action);

  std::unique_ptr<ScriptSource> source_;
  std::string file_;
  std::ostream& out_;
  std::function<int32_t(const Form&)> stepReader_;
  std::string message_;
  bool opened_ = false;
};

}  // namespace lumora::forms
