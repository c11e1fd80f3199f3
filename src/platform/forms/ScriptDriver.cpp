#include "platform/forms/ScriptDriver.h"

#include "platform/forms/TextEscapes.h"

#include <cctype>
#include <cstdio>

#include "contract/MessageText.h"
#include "platform/JsonText.h"

#include <nlohmann/json.hpp>

#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Form.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/TextBox.h"
#include "platform/forms/UserInput.h"
#include "platform/odbc/ConnectionString.h"

namespace lumora::forms {
namespace {

using Kind = ScriptAction::Kind;

// A streamed line longer than this is refused rather than read until memory runs out.
constexpr size_t kMaxScriptLine = size_t{1} << 20;

struct Word {
  enum class Type { Plain, Quoted, Number };
  Type type = Type::Plain;
  std::string text;
};

// Splits one line into words, quoted texts and #N numbers; stops at a comment.
std::vector<Word> SplitLine(const std::string& line, const std::string& where) {
  std::vector<Word> words;
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      // "#N" right after a word is an entry number; any other # starts a comment.
      if (!words.empty() && i + 1 < line.size() &&
          std::isdigit(static_cast<unsigned char>(line[i + 1]))) {
        Word w{Word::Type::Number, {}};
        ++i;
        while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])))
          w.text += line[i++];
        if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
          throw ScriptError(where + "bad entry number");
        }
        words.push_back(std::move(w));
      } else {
        break;
      }
    } else if (c == '"') {
      Word w{Word::Type::Quoted, {}};
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char ch = line[i++];
        if (ch == '"') {
          closed = true;
          break;
        }
        if (ch == '\\') {
          if (i >= line.size()) break;
          const char e = line[i++];
          const std::optional<char> decoded = Unescaped(e);
          if (!decoded) {
            throw ScriptError(where + "unknown escape \\" + std::string(1, e) +
                              " (use \\\" \\\\ \\r \\n \\t)");
          }
          ch = *decoded;
        }
        w.text += ch;
      }
      if (!closed) throw ScriptError(where + "unterminated text (a closing \" is missing)");
      words.push_back(std::move(w));
    } else {
      Word w;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
             line[i] != '"') {
        w.text += line[i++];
      }
      words.push_back(std::move(w));
    }
  }
  return words;
}

void ParseControl(const Word& word, ScriptAction& action, const std::string& where) {
  const std::string& t = word.text;
  if (word.type != Word::Type::Plain || t.empty())
    throw ScriptError(where + "expected a control name");
  const size_t open = t.find('(');
  std::string name = t.substr(0, open);
  for (char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') {
      throw ScriptError(where + "bad control name '" + t + "'");
    }
  }
  if (name.empty()) throw ScriptError(where + "bad control name '" + t + "'");
  action.control = name;
  if (open == std::string::npos) return;
  if (t.back() != ')' || t.size() - open < 3)
    throw ScriptError(where + "bad control name '" + t + "'");
  const std::string digits = t.substr(open + 1, t.size() - open - 2);
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c)))
      throw ScriptError(where + "bad index in '" + t + "'");
  }
  if (digits.size() > 5 || std::stol(digits) > 32767)
    throw ScriptError(where + "bad index in '" + t + "'");
  action.index = static_cast<int16_t>(std::stol(digits));
}

// The action as the script wrote it, for messages ("click cmdNav(3)").
std::string ActionText(const ScriptAction& action) {
  static const char* const verbs[] = {"click", "tick", "untick", "choose", "type",
                                      "focus", "key",  "close",  "dump"};
  std::string text = verbs[static_cast<int>(action.kind)];
  if (!action.control.empty()) {
    text += " " + action.control;
    if (action.index >= 0) text += "(" + std::to_string(action.index) + ")";
  } else if (action.kind == Kind::Key) {
    text += " " + action.text;
  }
  return text;
}

}  // namespace

std::optional<ScriptAction> ParseScriptLine(const std::string& line, int lineNumber,
                                            const std::string& file) {
  const std::string where = file + ":" + std::to_string(lineNumber) + ": ";
  if (const size_t bad = FirstInvalidUtf8(line); bad != std::string::npos) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(line[bad]));
    throw ScriptError(file + ":" + std::to_string(lineNumber) + ":" + std::to_string(bad + 1) +
                      ": not UTF-8 text (the byte " + byte + ")");
  }
  std::vector<Word> words = SplitLine(line, where);
  if (words.empty()) return std::nullopt;
  if (words[0].type != Word::Type::Plain) throw ScriptError(where + "expected an action");
  ScriptAction action;
  action.line = lineNumber;
  const std::string& verb = words[0].text;
  auto expectCount = [&](size_t n, const char* usage) {
    if (words.size() != n) throw ScriptError(where + "usage: " + usage);
  };
  auto expectText = [&](const Word& w, const char* usage) {
    if (w.type != Word::Type::Quoted)
      throw ScriptError(where + "usage: " + usage + " (the text in double quotes)");
    return w.text;
  };
  if (verb == "click" || verb == "focus") {
    action.kind = verb == "click" ? Kind::Click : Kind::Focus;
    expectCount(2, verb == "click" ? "click CONTROL" : "focus CONTROL");
    ParseControl(words[1], action, where);
  } else if (verb == "tick" || verb == "untick") {
    action.kind = verb == "tick" ? Kind::Tick : Kind::Untick;
    const char* usage = verb == "tick" ? "tick LIST \"text\"" : "untick LIST \"text\"";
    expectCount(3, usage);
    ParseControl(words[1], action, where);
    action.text = expectText(words[2], usage);
  } else if (verb == "choose") {
    action.kind = Kind::Choose;
    const char* usage = "choose COMBO \"text\" or choose COMBO #N";
    expectCount(3, usage);
    ParseControl(words[1], action, where);
    if (words[2].type == Word::Type::Number) {
      if (words[2].text.size() > 5 || std::stol(words[2].text) > 32767)
        throw ScriptError(where + "entry number too large");
      action.number = static_cast<int32_t>(std::stol(words[2].text));
    } else {
      action.text = expectText(words[2], usage);
    }
  } else if (verb == "type") {
    action.kind = Kind::Type;
    expectCount(3, "type TEXTBOX \"text\"");
    ParseControl(words[1], action, where);
    action.text = expectText(words[2], "type TEXTBOX \"text\"");
  } else if (verb == "key") {
    action.kind = Kind::Key;
    expectCount(2, "key Escape|F1|Enter");
    action.text = words[1].text;
    if (words[1].type != Word::Type::Plain ||
        (action.text != "Escape" && action.text != "F1" && action.text != "Enter")) {
      throw ScriptError(where + "unknown key '" + EscapeForMessage(words[1].text) +
                        "' (use Escape, F1 or Enter)");
    }
  } else if (verb == "close" || verb == "dump") {
    action.kind = verb == "close" ? Kind::Close : Kind::Dump;
    expectCount(1, verb == "close" ? "close" : "dump");
  } else {
    throw ScriptError(where + "unknown action '" + EscapeForMessage(verb) +
                      "' (use click, tick, untick, choose, type, focus, key, close or dump)");
  }
  return action;
}

std::vector<ScriptAction> ParseScript(const std::string& text, const std::string& file) {
  std::vector<ScriptAction> actions;
  size_t start = 0;
  int lineNumber = 0;
  while (start < text.size() || (start == 0 && text.empty())) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::optional<ScriptAction> action =
        ParseScriptLine(text.substr(start, end - start), ++lineNumber, file);
    if (action) actions.push_back(std::move(*action));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return actions;
}

std::optional<ScriptAction> ParsedScript::Next() {
  if (next_ >= actions_.size()) return std::nullopt;
  return actions_[next_++];
}

std::optional<ScriptAction> StreamedScript::Next() {
  for (;;) {
    std::string line;
    bool ended = false;
    for (int c = in_.get(); c != std::char_traits<char>::eof(); c = in_.get()) {
      if (c == '\n' && afterCarriageReturn_ && line.empty() && !ended) {
        afterCarriageReturn_ = false;  // the second half of "\r\n"
        continue;
      }
      afterCarriageReturn_ = c == '\r';
      if (c == '\n' || c == '\r') {
        ended = true;
        break;
      }
      line += static_cast<char>(c);
      if (line.size() > kMaxScriptLine) {
        throw ScriptError(file_ + ":" + std::to_string(line_ + 1) + ": the line is longer than " +
                          std::to_string(kMaxScriptLine) + " bytes");
      }
    }
    if (!ended && line.empty()) return std::nullopt;
    std::optional<ScriptAction> action = ParseScriptLine(line, ++line_, file_);
    if (action) return action;
  }
}

// --- dump ----------------------------------------------------------------------------------------

namespace {

// One JSON object of the dump, written member by member in order.
class DumpObject {
 public:
  explicit DumpObject(std::string& out) : out_(out) { out_ += '{'; }
  ~DumpObject() { out_ += '}'; }
  DumpObject& Text(const char* name, std::string_view text) {
    Name(name);
    AppendJsonString(out_, text);
    return *this;
  }
  DumpObject& Number(const char* name, int64_t number) {
    Name(name);
    out_ += std::to_string(number);
    return *this;
  }
  DumpObject& Flag(const char* name, bool flag) {
    Name(name);
    out_ += flag ? "true" : "false";
    return *this;
  }
  // The member's name; its value is written next by the caller.
  std::string& Name(const char* name) {
    if (!first_) out_ += ',';
    first_ = false;
    out_ += '"';
    out_ += name;
    out_ += "\":";
    return out_;
  }

 private:
  std::string& out_;
  bool first_ = true;
};

}  // namespace

std::string DumpForm(const Form& form, int32_t step) {
  std::string out;
  {
    DumpObject dump(out);
    dump.Text("caption", form.Caption()).Number("step", step);
    dump.Text("focus", form.ActiveControl() != nullptr ? form.ActiveControl()->DisplayName() : "");
    dump.Name("controls") += '[';
    bool firstControl = true;
    for (const Control* control : form.Controls()) {
      if (!firstControl) out += ',';
      firstControl = false;
      DumpObject c(out);
      c.Text("name", control->Name());
      if (control->IsArrayMember()) c.Number("index", control->Index());
      c.Text("type", control->TypeName());
      try {
        const std::string caption = control->Caption();
        c.Text("caption", caption);
      } catch (const Failure&) {
      }
      if (dynamic_cast<const TextBox*>(control) != nullptr ||
          dynamic_cast<const ComboBox*>(control) != nullptr) {
        c.Text("text", odbc::MaskSecretLines(control->Text()));  // no password in a dump
      }
      c.Flag("enabled", control->Enabled()).Flag("visible", control->Visible());
      c.Number("left", control->Left()).Number("top", control->Top());
      c.Text("tag", control->Tag()).Number("helpContextID", control->HelpContextID());
      if (const auto* option = dynamic_cast<const OptionButton*>(control))
        c.Flag("value", option->Value());
      if (const auto* check = dynamic_cast<const CheckBox*>(control))
        c.Number("value", check->Value());
      if (const auto* combo = dynamic_cast<const ComboBox*>(control)) {
        std::string& list = c.Name("list");
        list += '[';
        for (size_t i = 0; i < combo->Entries().size(); ++i) {
          if (i > 0) list += ',';
          AppendJsonString(list, combo->Entries()[i]);
        }
        list += ']';
        c.Number("listIndex", combo->ListIndex());
      }
      if (const auto* list = dynamic_cast<const ListView*>(control)) {
        std::string& items = c.Name("items");
        items += '[';
        bool firstItem = true;
        for (const auto& item : list->ListItems()) {
          if (!firstItem) items += ',';
          firstItem = false;
          DumpObject(items).Text("text", item->Text()).Flag("checked", item->Checked());
        }
        items += ']';
      }
    }
    out += ']';
  }
  return out;
}

// --- the driver ----------------------------------------------------------------------------------

std::string PlayAction(Form& form, const ScriptAction& action) {
  InputOutcome outcome;
  if (action.kind == Kind::Close) {
    outcome = UserInput::CloseBox(form);
  } else if (action.kind == Kind::Key) {
    const int16_t code = action.text == "Escape" ? kKeyEscape
                         : action.text == "F1"   ? kKeyF1
                                                 : kKeyReturn;
    outcome = UserInput::Key(form, code);
  } else {
    Control* control = form.Find(action.control, action.index);
    const std::string shown = action.index >= 0
                                  ? action.control + "(" + std::to_string(action.index) + ")"
                                  : action.control;
    if (control == nullptr)
      return ActionText(action) + ": no control named " + shown + " on " + form.Name();
    auto wrongType = [&](const char* wanted) {
      return shown + " is a " + control->TypeName() + ", not " + wanted;
    };
    const std::string entry = "\"" + EscapeForMessage(action.text) + "\"";
    switch (action.kind) {
      case Kind::Click:
        if (dynamic_cast<CommandButton*>(control) == nullptr &&
            dynamic_cast<OptionButton*>(control) == nullptr &&
            dynamic_cast<CheckBox*>(control) == nullptr) {
          return wrongType("a button, option button or check box");
        }
        outcome = UserInput::Click(*control);
        break;
      case Kind::Focus:
        outcome = UserInput::Focus(*control);
        break;
      case Kind::Tick:
      case Kind::Untick: {
        auto* list = dynamic_cast<ListView*>(control);
        if (list == nullptr) return wrongType("a list view");
        const int32_t found = list->ListItems().FirstIndexOfText(action.text);
        if (found == 0) return shown + " has no entry " + entry;
        outcome = UserInput::Tick(*list, found, action.kind == Kind::Tick);
        break;
      }
      case Kind::Choose: {
        auto* combo = dynamic_cast<ComboBox*>(control);
        if (combo == nullptr) return wrongType("a combo box");
        int32_t index = action.number;
        if (index < 0) {
          for (int16_t i = 0; i < combo->ListCount(); ++i) {
            if (combo->List(i) == action.text) {
              index = i;
              break;
            }
          }
          if (index < 0) return shown + " has no entry " + entry;
        } else if (index >= combo->ListCount()) {
          return shown + " has no entry #" + std::to_string(index) + " (it holds " +
                 std::to_string(combo->ListCount()) + ")";
        }
        outcome = UserInput::Choose(*combo, static_cast<int16_t>(index));
        break;
      }
      case Kind::Type: {
        auto* box = dynamic_cast<TextBox*>(control);
        if (box == nullptr) return wrongType("a text box");
        outcome = UserInput::Type(*box, action.text);
        break;
      }
      default:
        break;
    }
  }
  return outcome ? std::string() : ActionText(action) + ": " + outcome.reason;
}

// --- the driver ----------------------------------------------------------------------------------

ScriptDriver::ScriptDriver(std::unique_ptr<ScriptSource> source, std::string file,
                           std::ostream& out)
    : source_(std::move(source)), file_(std::move(file)), out_(out) {}

int ScriptDriver::UnplayedLine() {
  try {
    const std::optional<ScriptAction> next = source_->Next();
    return next ? next->line : 0;
  } catch (const ScriptError& e) {
    message_ = e.what();
    return 0;
  }
}

void ScriptDriver::RunModal(Form& form) {
  opened_ = true;
  while (form.IsLoaded() && !Failed()) {
    std::optional<ScriptAction> action;
    try {
      action = source_->Next();
    } catch (const ScriptError& e) {
      message_ = e.what();
      break;
    }
    if (!action) break;
    Play(form, *action);
  }
  // A script that ends (or stops) with the window open closes it with the close box.
  if (form.IsLoaded()) UserInput::CloseBox(form);
  if (form.IsLoaded()) form.Unload(kAppWindows);
}

void ScriptDriver::Play(Form& form, const ScriptAction& action) {
  if (action.kind == Kind::Dump) {
    out_ << DumpForm(form, stepReader_ ? stepReader_(form) : 0) << "\n";
    out_.flush();
    return;
  }
  const std::string refusal = PlayAction(form, action);
  if (!refusal.empty()) message_ = file_ + ":" + std::to_string(action.line) + ": " + refusal;
}

int16_t ScriptDriver::MsgBox(const std::string& prompt, int32_t, const std::string& title) {
  nlohmann::ordered_json line;
  line["msgbox"] = {{"title", title}, {"text", prompt}};
  out_ << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  out_.flush();
  return kVbOK;
}

void ScriptDriver::ShowHelp(const std::string& helpFile, int32_t contextId) {
  nlohmann::ordered_json line;
  line["help"] = {{"file", helpFile}, {"topic", contextId}};
  out_ << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
  out_.flush();
}

}  // namespace lumora::forms
