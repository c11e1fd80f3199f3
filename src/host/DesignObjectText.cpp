#include "host/DesignObjectText.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <unordered_set>

#include "contract/MessageText.h"
#include "platform/JsonText.h"

namespace lumora {

const Value* OrderedProperties::Find(const std::string& name) const {
  const auto it = index_.find(name);
  return it == index_.end() ? nullptr : &items_[it->second].second;
}

void OrderedProperties::Put(const std::string& name, Value value) {
  if (const auto it = index_.find(name); it != index_.end()) {
    items_[it->second].second = std::move(value);
    return;
  }
  index_.emplace(name, items_.size());
  items_.emplace_back(name, std::move(value));
}

void OrderedProperties::Erase(const std::string& name) {
  const auto it = index_.find(name);
  if (it == index_.end()) return;
  const size_t gone = it->second;
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(gone));
  index_.erase(it);
  for (auto& [member, at] : index_) {
    if (at > gone) --at;
  }
}

namespace {

using Json = nlohmann::ordered_json;

[[noreturn]] void Fail(const std::string& message) {
  throw HostError::BadInput(message);
}

// "PATH:LINE:COLUMN" of the byte at `offset` of `text`.
std::string Where(const std::string& path, const std::string& text, size_t offset) {
  const TextPosition at = PositionOf(text, offset);
  return path + ":" + std::to_string(at.line) + ":" + std::to_string(at.column);
}

// The deepest nesting of objects and arrays a design-object file may have, its own object
// counting as the first level.
constexpr size_t kMaxNesting = 100;

bool PartOfNumber(char c) {
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// The parser's reason without its own prefix and position: nlohmann's messages read
// "[json.exception.parse_error.101] parse error at line 1, column 9: REASON".
std::string Describe(const std::string& what) {
  const size_t at = what.find("parse error");
  const size_t colon = what.find(": ", at == std::string::npos ? 0 : at);
  return EscapeForMessage(colon == std::string::npos ? what : what.substr(colon + 2));
}

// The text's characters as the JSON library reads them, one at a time; each step records how
// far it has read, so a refusal found in the events can name its place without reading the
// text again.
class TrackedChars {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  TrackedChars(const char* at, const char** reached) : at_(at), reached_(reached) {}
  reference operator*() const { return *at_; }
  TrackedChars& operator++() {
    *reached_ = ++at_;
    return *this;
  }
  TrackedChars operator++(int) {
    TrackedChars before = *this;
    ++*this;
    return before;
  }
  bool operator==(const TrackedChars& other) const { return at_ == other.at_; }

 private:
  const char* at_;
  const char** reached_;
};

// An array or object of a property's value being read. An array holds strings or booleans
// as such while every element so far is one, as the component reads them.
struct ValueFrame {
  enum class Elements { None, Strings, Booleans, Mixed };
  bool isObject = false;
  Elements elements = Elements::None;
  std::vector<std::string> strings;
  std::vector<bool> booleans;
  Value::List items;
  Value::Object members;
  std::string key;  // of the member being read

  size_t size() const {
    switch (elements) {
      case Elements::Strings:
        return strings.size();
      case Elements::Booleans:
        return booleans.size();
      default:
        return isObject ? members.size() : items.size();
    }
  }
  void MakeMixed() {
    for (std::string& s : strings) items.push_back(Value::String(std::move(s)));
    for (bool b : booleans) items.push_back(Value::Boolean(b));
    strings.clear();
    booleans.clear();
    elements = Elements::Mixed;
  }
  void Add(Value value) {
    if (isObject) {
      members.emplace_back(std::move(key), std::move(value));
      return;
    }
    if (value.kind() == Value::Kind::Boolean &&
        (elements == Elements::None || elements == Elements::Booleans)) {
      elements = Elements::Booleans;
      booleans.push_back(value.ToBool());
      return;
    }
    if (elements != Elements::Mixed) MakeMixed();
    items.push_back(std::move(value));
  }
  bool AddString(const std::string& s) {
    if (isObject || (elements != Elements::None && elements != Elements::Strings)) return false;
    elements = Elements::Strings;
    strings.push_back(s);
    return true;
  }
  Value Finish() {
    if (isObject) return Value::MakeObject(std::move(members));
    switch (elements) {
      case Elements::Booleans:
        return Value::Booleans(std::move(booleans));
      case Elements::Mixed:
        return Value::MakeList(std::move(items));
      default:
        return Value::Strings(std::move(strings));
    }
  }
};

// Reads the text's events: the properties into Values, every other member into JSON.
//
// The library reads fastest from a plain range of characters, which tells nothing of how far it
// has read. Most refusals need no such place (the library's own errors carry theirs), so a first
// reading goes without it; one that comes to a refusal that does throws NeedsPlace, and the text
// is read again with every step recorded (TrackedChars), which meets the same refusal first.
class DocumentReader {
 public:
  struct NeedsPlace {};

  DocumentReader(const std::string& path, const std::string& text, bool tracked)
      : path_(path), text_(text), reached_(text.data()), tracked_(tracked) {}

  // Reads the whole text, then checks what only the whole text shows.
  DesignObjectDocument Read() {
    const char* begin = text_.data();
    const char* end = begin + text_.size();
    if (tracked_) {
      Json::sax_parse(TrackedChars(begin, &reached_), TrackedChars(end, &reached_), this);
    } else {
      Json::sax_parse(begin, end, this);
      // The library ends its input at a NUL byte after the document.
      if (std::memchr(begin, '\0', text_.size()) != nullptr) throw NeedsPlace();
    }
    if (const size_t read = tracked_ ? ReadSoFar() : 0; read > 0 && text_[read - 1] == '\0') {
      Fail(Where(path_, text_, read - 1) + ": not valid JSON: a NUL byte");
    }
    if (!topIsObject_) Fail(path_ + ":1:1: not a design object: the file must hold a JSON object");
    if (propertiesNotObject_) {
      Fail(path_ + ": not a design object: \"properties\" must be an object");
    }
    if (!rangeError_.empty()) Fail(rangeError_);
    return std::move(document_);
  }

  // nlohmann's SAX interface.
  bool null() {
    return Scalar([] { return Json(nullptr); }, [] { return Value::Null(); });
  }
  bool boolean(bool b) {
    return Scalar([&] { return Json(b); }, [&] { return Value::Boolean(b); });
  }
  bool number_integer(int64_t n) {
    if (InProperties() &&
        (n < std::numeric_limits<int32_t>::min() || n > std::numeric_limits<int32_t>::max())) {
      OutOfRange(std::to_string(n));
    }
    return Scalar([&] { return Json(n); }, [&] { return Value::Integer(static_cast<int32_t>(n)); });
  }
  bool number_unsigned(uint64_t n) {
    if (InProperties() && n > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
      OutOfRange(std::to_string(n));
    }
    return Scalar([&] { return Json(n); }, [&] { return Value::Integer(static_cast<int32_t>(n)); });
  }
  // The library reads an integer beyond 64 bits as a real number; its text tells.
  bool number_float(double d, const std::string& text) {
    if (text.find_first_of(".eE") == std::string::npos) {
      const size_t end = ReadSoFar();
      const size_t last = end > 0 && PartOfNumber(text_[end - 1]) ? end : end - 1;
      Fail(Where(path_, text_, last - text.size()) + ": the integer " + text +
           " is outside the 32-bit range");
    }
    return Scalar([&] { return Json(d); }, [&] { return Value::Double(d); });
  }
  // Strings are copied, not moved, from the library's buffer: the copy takes just the room it
  // needs and the buffer keeps its own for the next string.
  bool string(std::string& s) {
    if (InProperties() && !frames_.empty() && frames_.back().AddString(s)) return true;
    return Scalar([&] { return Json(s); }, [&] { return Value::String(s); });
  }
  bool binary(Json::binary_t&) { return true; }  // never in JSON text
  bool start_object(size_t) {
    Open();
    names_.emplace_back();
    if (open_ == 1) {
      topIsObject_ = true;
      return true;
    }
    if (open_ == 2 && topKey_ == "properties" && !document_.propertiesAt) {
      document_.propertiesAt = document_.members.size();
      document_.members.emplace_back(topKey_, Json());
      inProperties_ = true;
      return true;
    }
    return StartContainer(Json::object(), true);
  }
  bool start_array(size_t) {
    Open();
    return StartContainer(Json::array(), false);
  }
  bool key(std::string& k) {
    if (!names_.back().insert(k).second) {
      Fail(Where(path_, text_, OpeningQuote()) + ": the member name \"" + EscapeForMessage(k) +
           "\" is given twice in one object; a design object names each "
           "member once");
    }
    if (open_ == 1) {
      topKey_ = k;
    } else if (inProperties_ && open_ == 2) {
      property_ = k;
    } else if (inProperties_) {
      frames_.back().key = k;
    } else {
      jsonKey_ = k;
    }
    return true;
  }
  bool end_object() {
    names_.pop_back();
    if (open_ == 1) {  // the document's own object
      --open_;
      return true;
    }
    if (open_ == 2 && inProperties_) {
      inProperties_ = false;
      --open_;
      return true;
    }
    return EndContainer();
  }
  bool end_array() { return EndContainer(); }
  // `position` counts the characters read, the one refused included.
  bool parse_error(size_t position, const std::string& token,
                   const nlohmann::detail::exception& e) {
    if (dynamic_cast<const Json::out_of_range*>(&e) != nullptr) {
      // A number too large for a double ("1e400"), read up to its last character.
      Fail(Where(path_, text_, position - std::min(position, token.size())) +
           ": not valid JSON: the number " + EscapeForMessage(token) + " is out of range");
    }
    const size_t at = position > 0 ? position - 1 : 0;
    const std::string reason = Describe(e.what());
    if (at < text_.size() && text_[at] == '\0' && reason.find("U+0000") == std::string::npos) {
      // The library takes a NUL byte for the end of its input.
      Fail(Where(path_, text_, at) + ": not valid JSON: a NUL byte");
    }
    Fail(Where(path_, text_, at) + ": not valid JSON: " + reason);
  }

 private:
  bool InProperties() const { return inProperties_; }

  // How many characters the library has read; a reading that does not record it starts again
  // with it.
  size_t ReadSoFar() const {
    if (!tracked_) throw NeedsPlace();
    return static_cast<size_t>(reached_ - text_.data());
  }

  // Where the member name just read opens: the library has read up to its closing quote, and
  // every quote inside a name follows an odd number of backslashes.
  size_t OpeningQuote() const {
    size_t at = ReadSoFar() - 1;
    while (at > 0) {
      --at;
      if (text_[at] != '"') continue;
      size_t backslashes = 0;
      while (backslashes < at && text_[at - 1 - backslashes] == '\\') ++backslashes;
      if (backslashes % 2 == 0) return at;
    }
    return at;
  }

  // Values nest a few levels; a file nesting deeper than kMaxNesting is refused before the
  // readers and writers of values, which recurse once per level, could overflow the stack.
  void Open() {
    if (open_ >= kMaxNesting) {
      Fail(Where(path_, text_, ReadSoFar() - 1) +
           ": not a design object: values nested deeper than " + std::to_string(kMaxNesting) +
           " levels");
    }
    ++open_;
  }

  bool StartContainer(Json empty, bool isObject) {
    if (inProperties_) {
      frames_.emplace_back().isObject = isObject;
      return true;
    }
    if (open_ == 1) {  // the whole text is an array: refused once it is read
      jsonStack_.push_back(&discarded_);
      return true;
    }
    jsonStack_.push_back(&Place(std::move(empty)));
    return true;
  }

  bool EndContainer() {
    --open_;
    if (inProperties_) {
      Value value = frames_.back().Finish();
      frames_.pop_back();
      Deliver(std::move(value));
      return true;
    }
    jsonStack_.pop_back();
    return true;
  }

  // A value read: one of the two makers gives it, as a Value in the properties, else as JSON.
  template <class MakeJson, class MakeValue>
  bool Scalar(MakeJson json, MakeValue value) {
    if (inProperties_) {
      Deliver(value());
    } else if (open_ == 0) {
      discarded_ = json();
    } else {
      Place(json());
    }
    return true;
  }

  // A property's value, or an element or member of the one being read.
  void Deliver(Value value) {
    if (frames_.empty()) {
      document_.properties.Put(property_, std::move(value));
    } else {
      frames_.back().Add(std::move(value));
    }
  }

  // Puts `json` where the next value of a member other than the properties goes.
  Json& Place(Json json) {
    if (jsonStack_.empty()) {  // a top-level member
      if (topKey_ == "properties") propertiesNotObject_ = true;
      document_.members.emplace_back(topKey_, std::move(json));
      return document_.members.back().second;
    }
    Json& parent = *jsonStack_.back();
    if (parent.is_array()) {
      parent.push_back(std::move(json));
      return parent.back();
    }
    return parent[jsonKey_] = std::move(json);
  }

  // The first property integer beyond 32 bits, reported once the text is known to be JSON.
  void OutOfRange(const std::string& number) {
    if (!rangeError_.empty()) return;
    std::string where = path_ + ": property \"" + EscapeForMessage(property_) + "\"";
    for (const ValueFrame& frame : frames_) {
      where += frame.isObject ? "." + frame.key : "[" + std::to_string(frame.size()) + "]";
    }
    rangeError_ = where + ": the integer " + number + " is outside the 32-bit range";
  }

  const std::string& path_;
  const std::string& text_;
  DesignObjectDocument document_;
  size_t open_ = 0;  // objects and arrays open
  bool topIsObject_ = false, inProperties_ = false, propertiesNotObject_ = false;
  std::vector<std::unordered_set<std::string>> names_;  // of each object open, innermost last
  const char* reached_;  // the library has read the text up to here (when tracked_)
  bool tracked_;
  std::string topKey_, property_, jsonKey_, rangeError_;
  std::vector<ValueFrame> frames_;  // the property's arrays and objects open
  std::vector<Json*> jsonStack_;    // another member's arrays and objects open
  Json discarded_;
};

void Indent(std::string& out, size_t spaces) {
  out.append(spaces, ' ');
}

void WriteValue(std::string& out, const Value& value, size_t indent);

// "[...]" or "{...}" with one element a line, as the JSON library indents them.
template <class Items, class WriteOne>
void WriteContainer(std::string& out, const Items& items, size_t indent, char open, char close,
                    WriteOne writeOne) {
  out += open;
  if (items.empty()) {
    out += close;
    return;
  }
  out += '\n';
  bool first = true;
  for (const auto& item : items) {
    if (!first) out += ",\n";
    first = false;
    Indent(out, indent + 2);
    writeOne(item);
  }
  out += '\n';
  Indent(out, indent);
  out += close;
}

void WriteValue(std::string& out, const Value& value, size_t indent) {
  switch (value.kind()) {
    case Value::Kind::Empty:
    case Value::Kind::Null:
      out += "null";
      break;
    case Value::Kind::Boolean:
      out += value.ToBool() ? "true" : "false";
      break;
    case Value::Kind::Integer:
      out += std::to_string(value.ToLong());
      break;
    case Value::Kind::Double:
      out += Json(value.ToDouble()).dump();
      break;
    case Value::Kind::String:
      AppendJsonString(out, value.ToString());
      break;
    case Value::Kind::StringArray:
      WriteContainer(out, value.AsStrings(), indent, '[', ']',
                     [&](const std::string& s) { AppendJsonString(out, s); });
      break;
    case Value::Kind::BooleanArray:
      WriteContainer(out, value.AsBooleans(), indent, '[', ']',
                     [&](bool b) { out += b ? "true" : "false"; });
      break;
    case Value::Kind::List:
      WriteContainer(out, value.AsList(), indent, '[', ']',
                     [&](const Value& v) { WriteValue(out, v, indent + 2); });
      break;
    case Value::Kind::Object:
      WriteContainer(out, value.AsObject(), indent, '{', '}', [&](const auto& member) {
        AppendJsonString(out, member.first);
        out += ": ";
        WriteValue(out, member.second, indent + 2);
      });
      break;
  }
}

// `json` as the library writes it, every line after the first indented by `indent` more.
void WriteJson(std::string& out, const Json& json, size_t indent) {
  const std::string text = json.dump(2, ' ', false, Json::error_handler_t::replace);
  for (const char c : text) {
    out += c;
    if (c == '\n') Indent(out, indent);
  }
}

}  // namespace

DesignObjectDocument ReadDesignObjectText(const std::string& path, const std::string& text) {
  if (const size_t bad = FirstInvalidUtf8(text); bad != std::string::npos) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned char>(text[bad]));
    Fail(Where(path, text, bad) + ": not UTF-8 text (the byte " + byte + ")");
  }
  try {
    return DocumentReader(path, text, false).Read();
  } catch (const DocumentReader::NeedsPlace&) {
    return DocumentReader(path, text, true).Read();
  }
}

std::string WriteDesignObjectText(const DesignObjectDocument& document) {
  std::string out;
  size_t at = 0;
  WriteContainer(out, document.members, 0, '{', '}', [&](const auto& member) {
    AppendJsonString(out, member.first);
    out += ": ";
    if (document.propertiesAt == at++) {
      WriteContainer(out, document.properties.items(), 2, '{', '}', [&](const auto& property) {
        AppendJsonString(out, property.first);
        out += ": ";
        WriteValue(out, property.second, 4);
      });
    } else {
      WriteJson(out, member.second, 2);
    }
  });
  out += '\n';
  return out;
}

}  // namespace lumora
