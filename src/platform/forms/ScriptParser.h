// The wizard script: one action a line (click, tick, untick, choose, type, focus, key, close,
// dump), read whole or line by line as it arrives. Every renderer plays the same actions, so the
// parser and the sources of actions live apart from any driver; a source owns what it has read.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumora::forms {

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

// Parses a script: a UTF-8 byte-order mark at its start is skipped; `#` starts a comment
// (outside quotes), blank lines are skipped; texts are in double quotes with the escapes
// \" \\ \r \n \t; "\r\n", "\n" and a lone "\r" end a line; the text must be UTF-8. Throws
// ScriptError naming the line (and the column of a byte that is not UTF-8).
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

// Lines read from `in` one at a time, each parsed when it arrives (nothing is read ahead); a
// byte-order mark before the first line is skipped, and a line longer than 1 MiB is refused.
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

}  // namespace lumora::forms
