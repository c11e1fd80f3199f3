#include "host/DesignObjectText.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string_view>
#include <unordered_set>

#include <rapidjson/reader.h>

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
  throw DesignObjectFileError(message);
}

// "PATH:LINE:COLUMN" of the byte at `offset` of `text`.
std::string Where(const std::string& path, const std::string& text, size_t offset) {
  const TextPosition at = PositionOf(text, offset);
  return path + ":" + std::to_string(at.line) + ":" + std::to_string(at.column);
}

// The deepest nesting of objects and arrays a design-object file may have, its own object
// counting as the first level.
constexpr size_t kMaxNesting = 100;

// The offset of the first byte of `text` outside its JSON strings for which `stop(i)` holds, or
// npos. Quotes and escapes inside strings are passed over.
template <class Stop>
size_t FindOutsideStrings(const std::string& text, Stop stop) {
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (stop(i)) {
      return i;
    }
  }
  return std::string::npos;
}

// The offset of the bracket that opens level `levels` + 1 of `text`, or its size.
size_t NestingOffset(const std::string& text, size_t levels) {
  size_t depth = 0;
  const size_t at = FindOutsideStrings(text, [&](size_t i) {
    const char c = text[i];
    if (c == '[' || c == '{') return ++depth > levels;
    if (c == ']' || c == '}') --depth;
    return false;
  });
  return at == std::string::npos ? text.size() : at;
}

bool PartOfNumber(char c) {
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// The offset of the first number written as `number` outside the strings of `text`, or npos.
size_t NumberOffset(const std::string& text, const std::string& number) {
  if (number.empty()) return std::string::npos;
  return FindOutsideStrings(text, [&](size_t i) {
    return text.compare(i, number.size(), number) == 0 && (i == 0 || !PartOfNumber(text[i - 1])) &&
           (i + number.size() == text.size() || !PartOfNumber(text[i + number.size()]));
  });
}

// The parser's reason without its own prefix and position: nlohmann's messages read
// "[json.exception.parse_error.101] parse error at line 1, column 9: REASON".
std::string Describe(const std::string& what) {
  const size_t at = what.find("parse error");
  const size_t colon = what.find(": ", at == std::string::npos ? 0 : at);
  return EscapeForMessage(colon == std::string::npos ? what : what.substr(colon + 2));
}

// The offset of the `n`th (1-based) member name of `text`, a string followed by a colon.
size_t MemberNameOffset(const std::string& text, size_t n) {
  size_t seen = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '"') continue;
    const size_t start = i;
    for (++i; i < text.size() && text[i] != '"'; ++i) {
      if (text[i] == '\\') ++i;
    }
    size_t next = i + 1;
    while (next < text.size() && std::isspace(static_cast<unsigned char>(text[next]))) ++next;
    if (next < text.size() && text[next] == ':' && ++seen == n) return start;
  }
  return 0;
}

// The offset of the first integer written outside the strings of `text` that does not fit in
// 64 bits (the reader would turn it into an approximate real number), or npos.
size_t HugeIntegerOffset(const std::string& text, std::string& number) {
  return FindOutsideStrings(text, [&](size_t i) {
    if (!PartOfNumber(text[i]) || (i > 0 && PartOfNumber(text[i - 1]))) return false;
    size_t end = i;
    while (end < text.size() && PartOfNumber(text[end])) ++end;
    number = text.substr(i, end - i);
    if (number.find_first_of(".eE") != std::string::npos) return false;
    int64_t value = 0;
    const auto [ptr, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    return error == std::errc::result_out_of_range;
  });
}

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
  bool AddString(std::string& s) {
    if (isObject || (elements != Elements::None && elements != Elements::Strings)) return false;
    elements = Elements::Strings;
    strings.push_back(std::move(s));
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
class DocumentReader {
 public:
  DocumentReader(const std::string& path, const std::string& text) : path_(path), text_(text) {}

  // Parses the text with the JSON library, whose reasons a refusal gives; then see Finish.
  DesignObjectDocument ReadWithReasons() {
    Json::sax_parse(text_, this);
    return Finish();
  }

  // The checks once the whole text was read as JSON.
  DesignObjectDocument Finish() {
    std::string huge;
    if (const size_t at = sawReal_ ? HugeIntegerOffset(text_, huge) : std::string::npos;
        at != std::string::npos) {
      Fail(Where(path_, text_, at) + ": the integer " + huge + " is outside the 32-bit range");
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
  bool number_float(double d, const std::string&) {
    sawReal_ = true;
    return Scalar([&] { return Json(d); }, [&] { return Value::Double(d); });
  }
  bool string(std::string& s) {
    if (InProperties() && !frames_.empty() && frames_.back().AddString(s)) return true;
    return Scalar([&] { return Json(std::move(s)); }, [&] { return Value::String(std::move(s)); });
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
    ++namesRead_;
    if (!names_.back().insert(k).second) {
      Fail(Where(path_, text_, MemberNameOffset(text_, namesRead_)) + ": the member name \"" +
           EscapeForMessage(k) +
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
  bool parse_error(size_t position, const std::string&, const nlohmann::detail::exception& e) {
    if (dynamic_cast<const Json::out_of_range*>(&e) != nullptr) {
      // A number too large for a double ("1e400"); the reader names the number, not its place.
      const std::string what = e.what();
      const size_t open = what.find('\'');
      const std::string number = open == std::string::npos
                                     ? std::string()
                                     : what.substr(open + 1, what.rfind('\'') - open - 1);
      const size_t offset = NumberOffset(text_, number);
      Fail((offset == std::string::npos ? path_ : Where(path_, text_, offset)) +
           ": not valid JSON: the number " + EscapeForMessage(number) + " is out of range");
    }
    Fail(Where(path_, text_, position > 0 ? position - 1 : 0) +
         ": not valid JSON: " + Describe(e.what()));
  }

 private:
  bool InProperties() const { return inProperties_; }

  // Values nest a few levels; a file nesting deeper than kMaxNesting is refused before the
  // readers and writers of values, which recurse once per level, could overflow the stack.
  void Open() {
    if (open_ >= kMaxNesting) {
      Fail(Where(path_, text_, NestingOffset(text_, kMaxNesting)) +
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
  bool sawReal_ = false;  // an integer too large for 64 bits reads as a real number
  std::vector<std::unordered_set<std::string>> names_;  // of each object open, innermost last
  size_t namesRead_ = 0;
  std::string topKey_, property_, jsonKey_, rangeError_;
  std::vector<ValueFrame> frames_;  // the property's arrays and objects open
  std::vector<Json*> jsonStack_;    // another member's arrays and objects open
  Json discarded_;
};

// Forwards a fast reader's events to a DocumentReader. A string that is not UTF-8 (an escaped
// lone surrogate) stops it, as any error does: the text is then read again by the JSON library
// for its reason.
class FastEvents : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, FastEvents> {
 public:
  explicit FastEvents(DocumentReader& reader) : reader_(reader) {}
  bool Null() { return reader_.null(); }
  bool Bool(bool b) { return reader_.boolean(b); }
  // Numbers come as their text and are read as the JSON library reads them: an integer within
  // 64 bits as one, anything else as the nearest double. A number too large or too small for a
  // double stops the reader: the JSON library reads the text again, refusing or rounding it.
  bool RawNumber(const char* s, rapidjson::SizeType n, bool) {
    const char* end = s + n;
    if (std::string_view(s, n).find_first_of(".eE") == std::string_view::npos) {
      if (*s == '-') {
        int64_t integer = 0;
        if (const auto r = std::from_chars(s, end, integer); r.ec == std::errc() && r.ptr == end) {
          return reader_.number_integer(integer);
        }
      } else {
        uint64_t integer = 0;
        if (const auto r = std::from_chars(s, end, integer); r.ec == std::errc() && r.ptr == end) {
          return reader_.number_unsigned(integer);
        }
      }
    }
    double real = 0;
    const auto r = std::from_chars(s, end, real);
    return r.ec == std::errc() && r.ptr == end && reader_.number_float(real, {});
  }
  bool String(const char* s, rapidjson::SizeType n, bool) {
    std::string text(s, n);
    return FirstInvalidUtf8(text) == std::string::npos && reader_.string(text);
  }
  bool Key(const char* s, rapidjson::SizeType n, bool) {
    std::string text(s, n);
    return FirstInvalidUtf8(text) == std::string::npos && reader_.key(text);
  }
  bool StartObject() { return reader_.start_object(0); }
  bool EndObject(rapidjson::SizeType) { return reader_.end_object(); }
  bool StartArray() { return reader_.start_array(0); }
  bool EndArray(rapidjson::SizeType) { return reader_.end_array(); }

 private:
  DocumentReader& reader_;
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
  // A fast reader reads well-formed text (a NUL byte would end its input early); the JSON
  // library reads again what it refuses, to give its reason or read what it reads differently.
  if (text.find('\0') == std::string::npos) {
    DocumentReader reader(path, text);
    FastEvents events(reader);
    rapidjson::StringStream stream(text.c_str());
    if (rapidjson::Reader().Parse<rapidjson::kParseNumbersAsStringsFlag>(stream, events)) {
      return reader.Finish();
    }
  }
  return DocumentReader(path, text).ReadWithReasons();
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
