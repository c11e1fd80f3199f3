#include "platform/forms/ScriptDriver.h"

#include "platform/forms/TextEscapes.h"

#include <cctype>

#include <nlohmann/json.hpp>

#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Form.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/TextBox.h"
#include "platform/forms/UserInput.h"

namespace lumora::forms {
namespace {

using Kind = ScriptAction::Kind;

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

std::vector<ScriptAction> ParseScript(const std::string& text, const std::string& file) {
  std::vector<ScriptAction> actions;
  size_t start = 0;
  int lineNumber = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    ++lineNumber;
    start = end + 1;
    const std::string where = file + ":" + std::to_string(lineNumber) + ": ";
    std::vector<Word> words = SplitLine(line, where);
    if (words.empty()) continue;
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
        throw ScriptError(where + "unknown key '" + words[1].text + "' (use Escape, F1 or Enter)");
      }
    } else if (verb == "close" || verb == "dump") {
      action.kind = verb == "close" ? Kind::Close : Kind::Dump;
      expectCount(1, verb == "close" ? "close" : "dump");
    } else {
      throw ScriptError(where + "unknown action '" + verb +
                        "' (use click, tick, untick, choose, type, focus, key, close or dump)");
    }
    actions.push_back(std::move(action));
    if (end == text.size()) break;
  }
  return actions;
}

// --- dump ----------------------------------------------------------------------------------------

std::string DumpForm(const Form& form, int32_t step) {
  using Json = nlohmann::ordered_json;
  Json controls = Json::array();
  for (const Control* control : form.Controls()) {
    Json c = Json::object();
    c["name"] = control->Name();
    if (control->IsArrayMember()) c["index"] = control->Index();
    c["type"] = control->TypeName();
    try {
      c["caption"] = control->Caption();
    } catch (const Failure&) {
    }
    if (dynamic_cast<const TextBox*>(control) != nullptr ||
        dynamic_cast<const ComboBox*>(control) != nullptr) {
      c["text"] = control->Text();
    }
    c["enabled"] = control->Enabled();
    c["visible"] = control->Visible();
    c["left"] = control->Left();
    c["top"] = control->Top();
    c["tag"] = control->Tag();
    c["helpContextID"] = control->HelpContextID();
    if (const auto* option = dynamic_cast<const OptionButton*>(control))
      c["value"] = option->Value();
    if (const auto* check = dynamic_cast<const CheckBox*>(control)) c["value"] = check->Value();
    if (const auto* combo = dynamic_cast<const ComboBox*>(control)) {
      c["list"] = combo->Entries();
      c["listIndex"] = combo->ListIndex();
    }
    if (const auto* list = dynamic_cast<const ListView*>(control)) {
      Json items = Json::array();
      for (const auto& item : list->ListItems()) {
        items.push_back(Json{{"text", item->Text()}, {"checked", item->Checked()}});
      }
      c["items"] = std::move(items);
    }
    controls.push_back(std::move(c));
  }
  Json dump = Json::object();
  dump["caption"] = form.Caption();
  dump["step"] = step;
  dump["focus"] = form.ActiveControl() != nullptr ? form.ActiveControl()->DisplayName() : "";
  dump["controls"] = std::move(controls);
  return dump.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// --- the driver ----------------------------------------------------------------------------------

ScriptDriver::ScriptDriver(std::vector<ScriptAction> actions, std::string file, std::ostream& out)
    : actions_(std::move(actions)), file_(std::move(file)), out_(out) {}

int ScriptDriver::UnplayedLine() const {
  return next_ < actions_.size() ? actions_[next_].line : 0;
}

void ScriptDriver::RunModal(Form& form) {
  while (form.IsLoaded() && !Failed() && next_ < actions_.size()) {
    Play(form, actions_[next_++]);
  }
  // A script that ends (or stops) with the window open closes it with the close box.
  if (form.IsLoaded()) UserInput::CloseBox(form);
  if (form.IsLoaded()) form.Unload(kAppWindows);
}

void ScriptDriver::Refuse(const ScriptAction& action, const std::string& reason) {
  message_ = file_ + ":" + std::to_string(action.line) + ": " + reason;
}

void ScriptDriver::Play(Form& form, const ScriptAction& action) {
  if (action.kind == Kind::Dump) {
    out_ << DumpForm(form, stepReader_ ? stepReader_(form) : 0) << "\n";
    out_.flush();
    return;
  }
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
      return Refuse(action,
                    ActionText(action) + ": no control named " + shown + " on " + form.Name());
    auto wrongType = [&](const char* wanted) {
      Refuse(action, shown + " is a " + control->TypeName() + ", not " + wanted);
    };
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
        if (found == 0) return Refuse(action, shown + " has no entry \"" + action.text + "\"");
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
          if (index < 0) return Refuse(action, shown + " has no entry \"" + action.text + "\"");
        } else if (index >= combo->ListCount()) {
          return Refuse(action, shown + " has no entry #" + std::to_string(index) + " (it holds " +
                                    std::to_string(combo->ListCount()) + ")");
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
  if (!outcome) Refuse(action, ActionText(action) + ": " + outcome.reason);
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
