// The headless renderer: plays a wizard script (one action a line, see ParseScript) against a
// modal form, acting only through UserInput like a person would. It is also the presenter while
// it runs: message boxes are answered OK and printed as {"msgbox":{"title":…,"text":…}}, help
// requests as {"help":{"file":…,"topic":N}}, each one JSON line on the output stream. An action
// a person could not do stops the run: the driver closes the window with its close box and
// remembers the message ("FILE:LINE: ..."), which the host prints before exiting with 2.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/ModalDriver.h"
#include "platform/forms/Presenter.h"

namespace lumora::forms {

class Form;

// A script that cannot be read; what() is "FILE:LINE: what is wrong".
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ScriptAction {
  enum class Kind { Click, Tick, Untick, Choose, Type, Focus, Key, Close, Dump };
  Kind kind = Kind::Dump;
  std::string control;  // the control's name
  int16_t index = -1;   // its array index, or -1
  std::string text;     // tick/untick/choose/type text; key name for Key
  int32_t number = -1;  // choose #N
  int line = 0;
};

// Parses a script: `#` starts a comment (outside quotes), blank lines are skipped; texts are in
// double quotes with the escapes \" \\ \r \n \t. Throws ScriptError naming the line.
std::vector<ScriptAction> ParseScript(const std::string& text, const std::string& file);

// One JSON line describing the form: {"caption":…,"step":N,"focus":NAME,"controls":[…]}.
std::string DumpForm(const Form& form, int32_t step);

class ScriptDriver : public ModalDriver, public Presenter {
 public:
  ScriptDriver(std::vector<ScriptAction> actions, std::string file, std::ostream& out);

  // What `dump` reports as "step" (the host knows the form's page member); 0 by default.
  void SetStepReader(std::function<int32_t(const Form&)> reader) {
    stepReader_ = std::move(reader);
  }

  void RunModal(Form& form) override;
  int16_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override;
  void ShowHelp(const std::string& helpFile, int32_t contextId) override;

  // The run stopped at an action a person could not do; Message() says which and why.
  bool Failed() const { return !message_.empty(); }
  const std::string& Message() const { return message_; }
  // The line of the first action not played (0 when every action was played).
  int UnplayedLine() const;

 private:
  void Play(Form& form, const ScriptAction& action);
  void Refuse(const ScriptAction& action, const std::string& reason);

  std::vector<ScriptAction> actions_;
  size_t next_ = 0;
  std::string file_;
  std::ostream& out_;
  std::function<int32_t(const Form&)> stepReader_;
  std::string message_;
};

}  // namespace lumora::forms
