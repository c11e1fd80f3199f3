#include "hostlib/DesignObjectFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>

namespace lumora {
namespace {

using Json = nlohmann::ordered_json;

[[noreturn]] void Fail(const std::string& message) {
  throw DesignObjectFileError(message);
}

// Line and column (both 1-based) of the byte at `offset` (nlohmann counts bytes read, so the
// offending byte is offset - 1).
std::pair<size_t, size_t> LineAndColumn(const std::string& text, size_t offset) {
  size_t line = 1, column = 1;
  const size_t end = std::min(offset > 0 ? offset - 1 : 0, text.size());
  for (size_t i = 0; i < end; ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return {line, column};
}

// The deepest nesting of objects and arrays a design-object file may have, its own object
// counting as the first level.
constexpr int kMaxNesting = 100;

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
size_t NestingOffset(const std::string& text, int levels) {
  int depth = 0;
  const size_t at = FindOutsideStrings(text, [&](size_t i) {
    const char c = text[i];
    if (c == '[' || c == '{') return ++depth > levels;
    if (c == ']' || c == '}') --depth;
    return false;
  });
  return at == std::string::npos ? text.size() : at;
}

// The offset of the first number written as `number` outside the strings of `text`, or npos.
size_t NumberOffset(const std::string& text, const std::string& number) {
  if (number.empty()) return std::string::npos;
  auto partOfNumber = [](char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
  };
  return FindOutsideStrings(text, [&](size_t i) {
    return text.compare(i, number.size(), number) == 0 && (i == 0 || !partOfNumber(text[i - 1])) &&
           (i + number.size() == text.size() || !partOfNumber(text[i + number.size()]));
  });
}

std::string Describe(const std::string& what) {
  // nlohmann's messages start with "[json.exception.parse_error.101] parse error at ...: ".
  size_t pos = what.rfind(": ");
  return pos == std::string::npos ? what : what.substr(pos + 2);
}

}  // namespace

DesignObjectFile::DesignObjectFile(std::string path, Json document)
    : path_(std::move(path)), document_(std::move(document)) {}

namespace {

// The file's bytes, or nullopt when it cannot be read.
std::optional<std::string> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return buffer.str();
}

enum class InjectedFault { None, Write, Rename };

InjectedFault FaultFromEnvironment() {
  const char* fault = std::getenv("LUMORA_TEST_SAVE_FAULT");
  if (fault == nullptr) return InjectedFault::None;
  const std::string_view f(fault);
  if (f == "write") return InjectedFault::Write;
  if (f == "rename") return InjectedFault::Rename;
  return InjectedFault::None;
}

std::string Timestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &local);
  return buf;
}

void WriteAtomically(const std::string& path, const std::string& text, InjectedFault fault);

}  // namespace

DesignObjectFile DesignObjectFile::Load(const std::string& path) {
  errno = 0;
  std::optional<std::string> text = ReadWhole(path);
  if (!text) Fail(path + ": cannot read the design object: " + std::strerror(errno));
  return Parse(path, *text);
}

DesignObjectFile DesignObjectFile::Parse(const std::string& path, const std::string& text) {
  Json document;
  try {
    // Values nest a few levels; a file nesting deeper than kMaxNesting is refused before the
    // readers and writers of values, which recurse once per level, could overflow the stack.
    document = Json::parse(text, [&](int depth, Json::parse_event_t event, Json&) {
      if (depth >= kMaxNesting && (event == Json::parse_event_t::object_start ||
                                   event == Json::parse_event_t::array_start)) {
        auto [line, column] = LineAndColumn(text, NestingOffset(text, kMaxNesting) + 1);
        Fail(path + ":" + std::to_string(line) + ":" + std::to_string(column) +
             ": not a design object: values nested deeper than " + std::to_string(kMaxNesting) +
             " levels");
      }
      return true;
    });
  } catch (const Json::parse_error& e) {
    auto [line, column] = LineAndColumn(text, e.byte);
    Fail(path + ":" + std::to_string(line) + ":" + std::to_string(column) +
         ": not valid JSON: " + Describe(e.what()));
  } catch (const Json::out_of_range& e) {
    // A number too large for a double ("1e400"); the reader names the number, not its place.
    const std::string what = e.what();
    const size_t open = what.find('\'');
    const std::string number = open == std::string::npos
                                   ? std::string()
                                   : what.substr(open + 1, what.rfind('\'') - open - 1);
    const size_t offset = NumberOffset(text, number);
    const std::string where =
        offset == std::string::npos
            ? path
            : path + ":" + std::to_string(LineAndColumn(text, offset + 1).first) + ":" +
                  std::to_string(LineAndColumn(text, offset + 1).second);
    Fail(where + ": not valid JSON: the number " + number + " is out of range");
  }
  if (!document.is_object()) {
    Fail(path + ":1:1: not a design object: the file must hold a JSON object");
  }
  auto it = document.find("properties");
  if (it != document.end()) {
    if (!it->is_object()) Fail(path + ": not a design object: \"properties\" must be an object");
    for (const auto& [name, value] : it->items())
      FromJson(value, path + ": property \"" + name + "\"");
  }
  DesignObjectFile file(path, std::move(document));
  file.readText_ = text;
  return file;
}

Value DesignObjectFile::FromJson(const Json& json, const std::string& where) {
  switch (json.type()) {
    case Json::value_t::null:
      return Value::Null();
    case Json::value_t::boolean:
      return Value::Boolean(json.get<bool>());
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned: {
      if (json.is_number_unsigned() &&
          json.get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
        Fail(where + ": the integer " + json.dump() + " is outside the 32-bit range");
      }
      const int64_t v = json.get<int64_t>();
      if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
        Fail(where + ": the integer " + json.dump() + " is outside the 32-bit range");
      }
      return Value::Integer(static_cast<int32_t>(v));
    }
    case Json::value_t::number_float:
      return Value::Double(json.get<double>());
    case Json::value_t::string:
      return Value::String(json.get<std::string>());
    case Json::value_t::array: {
      bool allStrings = true, allBooleans = !json.empty();
      for (const Json& e : json) {
        allStrings = allStrings && e.is_string();
        allBooleans = allBooleans && e.is_boolean();
      }
      if (allStrings) return Value::Strings(json.get<std::vector<std::string>>());
      if (allBooleans) return Value::Booleans(json.get<std::vector<bool>>());
      Value::List items;
      for (size_t i = 0; i < json.size(); ++i) {
        items.push_back(FromJson(json[i], where + "[" + std::to_string(i) + "]"));
      }
      return Value::MakeList(std::move(items));
    }
    case Json::value_t::object: {
      Value::Object members;
      for (const auto& [key, member] : json.items()) {
        members.emplace_back(key, FromJson(member, where + "." + key));
      }
      return Value::MakeObject(std::move(members));
    }
    default:
      Fail(where + ": a value of a kind a design object cannot hold");
  }
}

Json DesignObjectFile::ToJson(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Empty:
    case Value::Kind::Null:
      return Json(nullptr);
    case Value::Kind::Boolean:
      return Json(value.ToBool());
    case Value::Kind::Integer:
      return Json(value.ToLong());
    case Value::Kind::Double:
      return Json(value.ToDouble());
    case Value::Kind::String:
      return Json(value.ToString());
    case Value::Kind::StringArray:
      return Json(value.AsStrings());
    case Value::Kind::BooleanArray: {
      Json array = Json::array();
      for (bool b : value.AsBooleans()) array.push_back(b);
      return array;
    }
    case Value::Kind::List: {
      Json array = Json::array();
      for (const Value& v : value.AsList()) array.push_back(ToJson(v));
      return array;
    }
    case Value::Kind::Object: {
      Json object = Json::object();
      for (const auto& [key, v] : value.AsObject()) object[key] = ToJson(v);
      return object;
    }
  }
  return Json(nullptr);
}

Json& DesignObjectFile::properties() {
  Json& p = document_["properties"];
  if (p.is_null()) p = Json::object();
  return p;
}

Value DesignObjectFile::GetProperty(const std::string& name) {
  auto it = document_.find("properties");
  if (it == document_.end()) return Value();
  auto found = it->find(name);
  if (found == it->end()) return Value();
  return FromJson(*found, path_ + ": property \"" + name + "\"");
}

void DesignObjectFile::PutProperty(const std::string& name, const Value& value) {
  if (value.IsEmpty()) {
    properties().erase(name);
  } else {
    properties()[name] = ToJson(value);
  }
  modified_ = true;
}

std::string DesignObjectFile::Serialize() const {
  return document_.dump(2) + "\n";
}

void DesignObjectFile::Save() {
  const std::string text = Serialize();
  const std::optional<std::string> onDisk = ReadWhole(path_);
  if (onDisk && *onDisk != readText_) {
    const std::string recovery = WriteRecoveryFile(path_, text);
    Fail(path_ +
         ": the file was changed by someone else while it was open; it was not "
         "overwritten" +
         (recovery.empty() ? std::string("; your choices could not be kept")
                           : "; your choices are in " + recovery));
  }
  try {
    WriteAtomically(path_, text, FaultFromEnvironment());
  } catch (const DesignObjectFileError& e) {
    const std::string recovery = WriteRecoveryFile(path_, text);
    Fail(std::string(e.what()) + "; the object was left as it was" +
         (recovery.empty() ? std::string("; your choices could not be kept anywhere")
                           : "; your choices are in " + recovery));
  }
  readText_ = text;
  modified_ = false;
}

std::string WriteRecoveryFile(const std::string& path, const std::string& text) {
  const size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() > 5 && name.ends_with(".json")) name.resize(name.size() - 5);
  const std::string recoveryName = name + ".recovered-" + Timestamp() + ".json";
  const std::string besideIt =
      (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + recoveryName;
  std::error_code ignored;
  const std::string inTemp =
      (std::filesystem::temp_directory_path(ignored) / recoveryName).string();
  for (const std::string& candidate : {besideIt, inTemp}) {
    try {
      WriteAtomically(candidate, text, InjectedFault::None);
      return candidate;
    } catch (const DesignObjectFileError&) {
    }
  }
  return {};
}

void WriteFileAtomically(const std::string& path, const std::string& text) {
  WriteAtomically(path, text, FaultFromEnvironment());
}

namespace {

void WriteAtomically(const std::string& path, const std::string& text, InjectedFault fault) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temp = folder + (slash == std::string::npos ? "/" : "") + "." + base + ".XXXXXX";

  struct stat original {};
  const bool existed = ::stat(path.c_str(), &original) == 0;

  int fd = ::mkstemp(temp.data());
  if (fd < 0) Fail(path + ": cannot write beside the design object: " + std::strerror(errno));
  auto failAndClean = [&](const std::string& what) {
    const std::string reason = std::strerror(errno);
    ::close(fd);
    ::unlink(temp.c_str());
    Fail(path + ": " + what + ": " + reason);
  };
  size_t written = 0;
  while (written < text.size()) {
    if (fault == InjectedFault::Write && written >= text.size() / 2) {
      errno = ENOSPC;
      failAndClean("cannot write the design object");
    }
    const size_t chunk = fault == InjectedFault::Write
                             ? std::max<size_t>(1, text.size() / 2 - written)
                             : text.size() - written;
    ssize_t n = ::write(fd, text.data() + written, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      failAndClean("cannot write the design object");
    }
    written += static_cast<size_t>(n);
  }
  const mode_t mode = existed ? (original.st_mode & 07777) : 0644;
  if (::fchmod(fd, mode) != 0) failAndClean("cannot set the file's mode");
  if (existed && (original.st_uid != ::geteuid() || original.st_gid != ::getegid())) {
    if (::fchown(fd, original.st_uid, original.st_gid) != 0 && errno != EPERM) {
      failAndClean("cannot keep the file's owner");
    }
  }
  if (::fsync(fd) != 0) failAndClean("cannot flush the design object");
  if (::close(fd) != 0) {
    ::unlink(temp.c_str());
    Fail(path + ": cannot close the new design object: " + std::strerror(errno));
  }
  if (fault == InjectedFault::Rename) {
    ::unlink(temp.c_str());
    Fail(path + ": cannot replace the design object: " + std::strerror(EACCES));
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    ::unlink(temp.c_str());
    Fail(path + ": cannot replace the design object: " + reason);
  }
}

}  // namespace
}  // namespace lumora
