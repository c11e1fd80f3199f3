#include "hostlib/RegFile.h"

#include <cctype>
#include <map>
#include <vector>

#include "contract/HostError.h"
#include "contract/Text.h"
#include "hostlib/HostRegistry.h"
#include "hostlib/TextLines.h"
#include "platform/InputFile.h"

namespace lumora {
namespace {

enum class Format { kRegedit4, kVersion5 };

std::string_view TrimLeft(std::string_view s) {
  size_t b = s.find_first_not_of(" \t");
  return b == std::string_view::npos ? std::string_view() : s.substr(b);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct RootName {
  const char* name;
  int32_t root;
};
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

constexpr RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", kClassesRoot},         {"HKEY_CURRENT_USER", kCurrentUserRoot},
    {"HKEY_LOCAL_MACHINE", kLocalMachineRoot},   {"HKEY_USERS", kUsersRoot},
    {"HKEY_CURRENT_CONFIG", kCurrentConfigRoot}, {"HKEY_DYN_DATA", kDynDataRoot},
};

class Parser {
 public:
  Parser(std::string text, std::string path) : text_(std::move(text)), path_(std::move(path)) {}

  std::shared_ptr<RegistryTree> Run() {
    tree_ = std::make_shared<RegistryTree>();
    TextLines lines(text_);
    std::string_view line;
    bool header = false;
    while (lines.Next(line)) {
      line_ = lines.number();
      std::string_view t = TrimOf(line);
      // A byte-order mark starts each part of joined exports.
      while (t.substr(0, 3) == kUtf8Bom) t = TrimOf(t.substr(3));
      if (t == "REGEDIT4" || t == "Windows Registry Editor Version 5.00") {
        // The first line of an export, or of the next export joined to this one.
        format_ = t == "REGEDIT4" ? Format::kRegedit4 : Format::kVersion5;
        header = true;
        key_ = nullptr;
        skipping_ = false;
        continue;
      }
      if (!header) {
        if (t.empty()) continue;
        if (t.substr(0, 23) == "WINE REGISTRY Version 2") {
          Fail(
              "this is a Wine registry file, not an export: pass the Wine prefix folder "
              "that holds it (--registry DIR), or --registry wine");
        }
        Fail(
            "not a registry export: the first line must be \"REGEDIT4\" or \"Windows "
            "Registry Editor Version 5.00\"");
      }
      if (t.empty() || t.front() == ';') continue;
      if (t.front() == '[') {
        KeyLine(t);
      } else if (t.front() == '@' || t.front() == '"') {
        ValueLine(t, lines);
      } else {
        Fail("unexpected line (expected a [key], a \"name\"=value or @=value line)");
      }
    }
    if (!header) {
      line_ = lines.number() > 0 ? lines.number() : 1;
      Fail("not a registry export: the file is empty");
    }
    UseTheSingleUserAsCurrentUser();
    return tree_;
  }

 private:
  // An export of everything keeps the user's keys under HKEY_USERS\<security id>: when the
  // tree has no HKEY_CURRENT_USER keys and exactly one real user's tree there, that tree becomes
  // the user root; several are refused naming them, at the line where the last one starts.
  void UseTheSingleUserAsCurrentUser() {
    RegistryTreeKey* users = tree_->FindRoot(kUsersRoot);
    const RegistryTreeKey* current = tree_->FindRoot(kCurrentUserRoot);
    if (users == nullptr || (current != nullptr && !current->children().empty())) return;
    std::vector<const RegistryTreeKey*> people;
    for (const auto& [upper, child] : users->children()) {
      // Real users' security ids; .DEFAULT, the service accounts (S-1-5-18, -19, -20) and each
      // user's _Classes tree are not.
      if (upper.starts_with("S-1-5-21-") && !upper.ends_with("_CLASSES")) {
        people.push_back(child.get());
      }
    }
    if (people.empty()) return;
    if (people.size() > 1) {
      std::string names;
      line_ = 0;
      for (const RegistryTreeKey* p : people) {
        names += (names.empty() ? "" : ", ") + p->name();
        const auto first = userLines_.find(UCase(p->name()));
        if (first != userLines_.end() && (line_ == 0 || first->second > line_)) {
          line_ = first->second;
        }
      }
      if (line_ == 0) line_ = 1;
      Fail("the export holds no HKEY_CURRENT_USER keys but several users under HKEY_USERS (" +
           names + "); export the one user's HKEY_CURRENT_USER instead");
    }
    tree_->SetRoot(kCurrentUserRoot, users->TakeChild(people.front()->name()));
  }

  [[noreturn]] void Fail(const std::string& message) const {
    throw HostError::BadInput(path_ + ":" + std::to_string(line_) + ": " + message);
  }

  void KeyLine(std::string_view t) {
    const size_t close = t.rfind(']');
    if (close == std::string_view::npos) Fail("key line without a closing ]");
    std::string_view name = t.substr(1, close - 1);
    bool remove = false;
    if (!name.empty() && name.front() == '-') {
      remove = true;
      name.remove_prefix(1);
    }
    if (name.empty() || name.front() == ' ' || name.front() == '\t') {
      Fail("key line without a key name");
    }
    const size_t slash = name.find('\\');
    const std::string_view rootName = name.substr(0, slash);
    const std::string_view rest =
        slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
    const RootName* root = nullptr;
    for (const RootName& r : kRoots) {
      if (rootName.size() == std::string_view(r.name).size() &&
          StartsWithIgnoringCase(rootName, r.name)) {
        root = &r;
      }
    }
    if (root == nullptr) Fail("unknown root key \"" + std::string(rootName) + "\"");
    if (KeyDepth(rest) > kMaxKeyDepth) {
      Fail("key path deeper than " + std::to_string(kMaxKeyDepth) + " levels");
    }
    if (root->root == kUsersRoot) {
      userLines_.try_emplace(UCase(rest.substr(0, rest.find('\\'))), line_);
    }
    RegistryTreeKey& rootKey = tree_->Root(root->root);
    if (remove) {
      if (TrimOf(rest).empty()) Fail("a root key cannot be deleted");
      RegistryTree::Remove(rootKey, rest);
      key_ = nullptr;
      skipping_ = true;
      return;
    }
    key_ = &RegistryTree::Create(rootKey, rest);
    skipping_ = false;
  }

  // A quoted string starting at t[pos] == '"'; pos ends after the closing quote.
  std::string QuotedString(std::string_view t, size_t& pos) {
    std::string out;
    ++pos;
    while (pos < t.size()) {
      const char c = t[pos++];
      if (c == '"') return out;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (pos >= t.size()) break;
      const char e = t[pos++];
      switch (e) {
        case '\\':
          out.push_back('\\');
          break;
        case '"':
          out.push_back('"');
          break;
        case 'n':
          out.push_back('\n');
          break;
        case 'r':
          out.push_back('\r');
          break;
        case '0':
          Fail("\\0 is not allowed in a string");
        default:  // kept as written, as the platform's import does
          out.push_back('\\');
          out.push_back(e);
      }
    }
    Fail("unterminated string (a closing \" is missing)");
  }

  // Only blanks or a ; comment may follow a complete value.
  void ExpectEnd(std::string_view t, size_t pos) {
    std::string_view rest = TrimLeft(t.substr(pos));
    if (!rest.empty() && rest.front() != ';') {
      Fail("unexpected text after the value: \"" + std::string(rest) + "\"");
    }
  }

  void ValueLine(std::string_view t, TextLines& lines) {
    if (key_ == nullptr && !skipping_) Fail("value line before the first [key] line");
    std::string name;
    size_t pos = 0;
    if (t.front() == '@') {
      pos = 1;
    } else {
      name = QuotedString(t, pos);
    }
    while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\t')) ++pos;
    if (pos >= t.size() || t[pos] != '=') Fail("= expected after the value name");
    ++pos;
    while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\t')) ++pos;
    std::string_view data = t.substr(pos);

    if (!data.empty() && data.front() == '"') {
      size_t p = 0;
      std::string text = QuotedString(data, p);
      ExpectEnd(data, p);
      Set(std::move(name), Value::String(std::move(text)));
    } else if (!data.empty() && data.front() == '-') {
      ExpectEnd(data, 1);
      if (key_ != nullptr) key_->RemoveValue(name);
    } else if (StartsWithIgnoringCase(data, "dword:")) {
      size_t p = 6;
      uint32_t v = 0;
      int digits = 0;
      while (p < data.size() && HexDigit(data[p]) >= 0) {
        v = (v << 4) | static_cast<uint32_t>(HexDigit(data[p++]));
        if (++digits > 8) Fail("dword value with more than 8 hex digits");
      }
      if (digits == 0) Fail("dword value without hex digits");
      ExpectEnd(data, p);
      Set(std::move(name), DwordValue(v));
    } else if (StartsWithIgnoringCase(data, "hex")) {
      HexValue(std::move(name), data, lines);
    } else {
      Fail("unknown value data \"" + std::string(data) +
           "\" (expected \"text\", dword:, hex:, hex(N): or -)");
    }
  }

  void HexValue(std::string name, std::string_view data, TextLines& lines) {
    size_t p = 3;
    uint32_t type = 3;  // REG_BINARY
    if (p < data.size() && data[p] == '(') {
      ++p;
      type = 0;
      int digits = 0;
      while (p < data.size() && HexDigit(data[p]) >= 0) {
        type = (type << 4) | static_cast<uint32_t>(HexDigit(data[p++]));
        if (++digits > 8) Fail("hex(N) type with more than 8 hex digits");
      }
      if (digits == 0 || p >= data.size() || data[p] != ')') Fail("malformed hex(N) type");
      ++p;
    }
    if (p >= data.size() || data[p] != ':') Fail(": expected after the hex type");
    ++p;
    // Join the continued lines: a line ending in a backslash carries on in the next one;
    // blank and comment lines between them are skipped.
    std::string list(TrimOf(data.substr(p)));
    while (!list.empty() && list.back() == '\\') {
      list.pop_back();
      std::string_view next;
      bool found = false;
      while (lines.Next(next)) {
        line_ = lines.number();
        next = TrimOf(next);
        if (next.empty() || next.front() == ';') continue;
        found = true;
        break;
      }
      if (!found) Fail("the file ends inside a continued hex value");
      list += std::string(next);
    }
    std::string bytes;
    size_t i = 0;
    while (i < list.size()) {
      while (i < list.size() && (list[i] == ' ' || list[i] == '\t')) ++i;
      if (i >= list.size()) break;
      if (list[i] == ';') break;
      int hi = HexDigit(list[i]);
      if (hi < 0) Fail("malformed hex byte list near \"" + list.substr(i) + "\"");
      int value = hi;
      ++i;
      if (i < list.size() && HexDigit(list[i]) >= 0) value = value * 16 + HexDigit(list[i++]);
      bytes.push_back(static_cast<char>(value));
      while (i < list.size() && (list[i] == ' ' || list[i] == '\t')) ++i;
      if (i >= list.size() || list[i] == ';') break;
      if (list[i] != ',') Fail("malformed hex byte list near \"" + list.substr(i) + "\"");
      ++i;
    }
    Set(std::move(name), HexData(type, bytes));
  }

  std::string TextOf(std::string_view bytes) const {
    std::string text;
    if (format_ == Format::kVersion5) {
      text = Utf16LeToUtf8(bytes);
    } else {
      text = Windows1252ToUtf8(bytes);  // REGEDIT4 is in the ANSI code page
    }
    return text;
  }

  Value HexData(uint32_t type, const std::string& bytes) const {
    switch (type) {
      case 1:    // REG_SZ
      case 2: {  // REG_EXPAND_SZ
        std::string text = TextOf(bytes);
        return Value::String(text.substr(0, text.find('\0')));
      }
      case 7: {  // REG_MULTI_SZ: its first string, as a profile read returns it
        const std::string text = TextOf(bytes);
        return Value::String(text.substr(0, text.find('\0')));
      }
      case 4:  // REG_DWORD (little-endian)
        if (bytes.size() == 4) {
          uint32_t v = 0;
          for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(bytes[k]);
          return DwordValue(v);
        }
        break;
      case 11:  // REG_QWORD
        if (bytes.size() == 8) {
          uint64_t v = 0;
          for (int k = 7; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(bytes[k]);
          return Value::String(std::to_string(v));
        }
        break;
      default:
        break;
    }
    return Value::String(HexPairs(bytes));
  }

  void Set(std::string name, Value data) {
    if (key_ != nullptr) key_->SetValue(std::move(name), std::move(data));
  }

  std::string text_;
  std::string path_;
  std::shared_ptr<RegistryTree> tree_;
  Format format_ = Format::kRegedit4;
  RegistryTreeKey* key_ = nullptr;
  bool skipping_ = false;  // inside a deleted key: its values go nowhere
  int line_ = 0;
  std::map<std::string, int> userLines_;  // upper-cased HKEY_USERS sub key -> its first line
};

// True when a part of joined exports starts at `at`: a byte-order mark or an 8-bit header.
bool PartStartsAt(std::string_view bytes, size_t at) {
  const std::string_view rest = bytes.substr(at);
  return rest.starts_with("\xFF\xFE") || rest.starts_with(kUtf8Bom) ||
         rest.starts_with("REGEDIT4") || rest.starts_with("Windows Registry Editor");
}

// The bytes as text. Joined exports may mix forms, so each part (from one line start where a
// part starts to the next) is decoded by itself: UTF-16LE after its byte-order mark, a REGEDIT4
// part as Windows-1252, other 8-bit text as UTF-8 when it is valid UTF-8, else Windows-1252.
std::string DecodeExport(std::string_view bytes) {
  std::string text;
  size_t start = 0;
  while (start < bytes.size()) {
    const bool utf16 = bytes.substr(start).starts_with("\xFF\xFE");
    size_t next = bytes.size();
    if (utf16) {
      for (size_t p = start + 2; p + 1 < bytes.size(); p += 2) {
        if (bytes[p] == '\n' && bytes[p + 1] == '\0' && PartStartsAt(bytes, p + 2)) {
          next = p + 2;
          break;
        }
      }
      text += Utf16LeToUtf8(bytes.substr(start + 2, next - start - 2));
    } else {
      for (size_t p = bytes.find('\n', start); p != std::string_view::npos;
           p = bytes.find('\n', p + 1)) {
        if (PartStartsAt(bytes, p + 1)) {
          next = p + 1;
          break;
        }
      }
      const std::string_view part = bytes.substr(start, next - start);
      text += part.starts_with("REGEDIT4") ? Windows1252ToUtf8(part) : DecodeText8(part);
    }
    if (!text.empty() && text.back() != '\n') text.push_back('\n');
    start = next;
  }
  return text;
}

}  // namespace

std::shared_ptr<RegistryTree> ParseRegFile(std::string_view bytes, const std::string& path) {
  return Parser(DecodeExport(bytes), path).Run();
}

std::shared_ptr<RegistryTree> LoadRegFile(const std::string& path) {
  return ParseRegFile(ReadInputFile(path, "registry export"), path);
}

}  // namespace lumora
