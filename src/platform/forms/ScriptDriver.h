// The headless renderer: plays a wizard script (one action a line, see ParseScript) against a
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
#include <istream>
#include <memory>
#include <optional>
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
// double quotes with the escapes \" \\ \r \n \t; "\r\n", "\n" and a lone "\r" end a line; the
// text must be UTF-8. Throws ScriptError naming the line (and the column of a byte that is not
// UTF-8).
std::vector<ScriptAction> ParseScript(const std::string& text, const std::string& file);
// One line of a script (without its end); nullopt for a blank or comment line.
std::optional<ScriptAction> ParseScriptLine(const std::string& line, int lineNumber,
                                            const std::string& file);

// Where a driver's actions come from.
class ScriptSource {
 public:
  virtual ~ScriptSource() = default;
  // The next action, or nullopt at the end; throws ScriptError for a line that is no action.
  virtual std::optional<ScriptAction> Next() = 0;
};

// The actions of a script parsed whole.
class ParsedScript : public ScriptSource {
 public:
  explicit ParsedScript(std::vector<ScriptAction> actions) : actions_(std::move(actions)) {}
  std::optional<ScriptAction> Next() override;

 private:
  std::vector<ScriptAction> actions_;
  size_t next_ = 0;
};

// Lines read from `in` one at a time, each parsed when it arrives (nothing is read ahead).
class StreamedScript : public ScriptSource {
 public:
  StreamedScript(std::istream& in, std::string file) : in_(in), file_(std::move(file)) {}
  std::optional<ScriptAction> Next() override;

 private:
  std::istream& in_;
  std::string file_;
  int line_ = 0;
  bool afterCarriageReturn_ = false;  // a "\n" right after "\r" ends no further line
};

// Plays one action other than dump on `form` through UserInput; returns why a person could not
// do it, naming the action and the control ("" when it was done). Shared by every renderer.
std::string PlayAction(Form& form, const ScriptAction& action);

// One JSON line describing the form: {"caption":…,"step":N,"focus":NAME,"controls":[…]}.
std::string DumpForm(const Form& form, int32_t step);

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
