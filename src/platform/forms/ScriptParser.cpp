#include "platform/forms/ScriptParser.h"

#include <cctype>
#include <cstdio>
#include <string_view>

#include "contract/MessageText.h"
#include "platform/JsonText.h"
#include "platform/forms/TextEscapes.h"

namespace lumora::forms {
namespace {

using Kind = ScriptAction::Kind;

// A streamed line longer than this is refused rather than read until memory runs out.
constexpr size_t kMaxScriptLine = size_t{1} << 20;

// The UTF-8 byte-order mark some editors put at a text's start; it is no part of the first line.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool StartsWithMark(std::string_view text) {
  return text.substr(0, kByteOrderMark.size()) == kByteOrderMark;
}

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
  const size_t first = StartsWithMark(text) ? kByteOrderMark.size() : 0;
  size_t start = first;
  int lineNumber = 0;
  while (start < text.size() || (start == first && lineNumber == 0)) {
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
    if (line_ == 0 && StartsWithMark(line)) line.erase(0, kByteOrderMark.size());
    std::optional<ScriptAction> action = ParseScriptLine(line, ++line_, file_);
    if (action) return action;
  }
}

}  // namespace lumora::forms
