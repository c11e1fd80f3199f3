#include "hostlib/WineRegistry.h"

#include <unistd.h>

#include <cstdlib>

#include "contract/HostError.h"
#include "contract/LocalPaths.h"
#include "contract/Text.h"
#include "hostlib/HostRegistry.h"
#include "hostlib/TextLines.h"
#include "platform/InputFile.h"

namespace lumora {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void PushUnit(std::string& utf16le, uint32_t unit) {
  utf16le.push_back(static_cast<char>(unit & 0xFF));
  utf16le.push_back(static_cast<char>((unit >> 8) & 0xFF));
}

class WineParser {
 public:
  WineParser(std::string_view text, const std::string& path, RegistryTreeKey& root)
      : lines_(text), path_(path), root_(root) {}

  void Run() {
    std::string_view line;
    if (!NextLine(line) || line.substr(0, 23) != "WINE REGISTRY Version 2") {
      Fail("not a Wine registry file: the first line must be \"WINE REGISTRY Version 2\"");
    }
    while (NextLine(line)) {
      if (line.empty() || line.front() == ';' || line.front() == '#') continue;
      if (line.front() == '[') {
        size_t pos = 1;
        const std::string path = Utf16LeToUtf8(Escaped(line, pos, ']'));
        if (KeyDepth(path) > kMaxKeyDepth) {
          Fail("key path deeper than " + std::to_string(kMaxKeyDepth) + " levels");
        }
        key_ = &RegistryTree::Create(root_, path);
        continue;
      }
      if (key_ == nullptr) Fail("value line before the first [key] line");
      Value(line);
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& message) const {
    throw HostError::BadInput(path_ + ":" + std::to_string(number_) + ": " + message);
  }

  bool NextLine(std::string_view& line) {
    const bool read = lines_.Next(line);
    number_ = lines_.number();
    return read;
  }

  // The text from `pos` up to the unescaped `close`, as UTF-16LE code units; pos ends after it.
  std::string Escaped(std::string_view s, size_t& pos, char close) {
    std::string out;
    while (pos < s.size()) {
      const char c = s[pos++];
      if (c == close) return out;
      if (c != '\\') {
        // One UTF-8 sequence (the text was decoded to UTF-8 on reading).
        size_t n = 1;
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0xF0) {
          n = 4;
        } else if (b >= 0xE0) {
          n = 3;
        } else if (b >= 0xC0) {
          n = 2;
        }
        const std::string_view seq = s.substr(pos - 1, n);
        pos += n - 1;
        uint32_t cp = n == 1 ? b : b & (0xFF >> (n + 1));
        for (size_t k = 1; k < seq.size(); ++k) cp = (cp << 6) | (seq[k] & 0x3F);
        if (cp >= 0x10000) {
          PushUnit(out, 0xD800 + ((cp - 0x10000) >> 10));
          PushUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
          PushUnit(out, cp);
        }
        continue;
      }
      if (pos >= s.size()) break;
      const char e = s[pos++];
      uint32_t unit = static_cast<unsigned char>(e);
      switch (e) {
        case 'a':
          unit = '\a';
          break;
        case 'b':
          unit = '\b';
          break;
        case 'e':
          unit = 0x1B;
          break;
        case 'f':
          unit = '\f';
          break;
        case 'n':
          unit = '\n';
          break;
        case 'r':
          unit = '\r';
          break;
        case 't':
          unit = '\t';
          break;
        case 'v':
          unit = '\v';
          break;
        case 'x': {
          unit = 0;
          int digits = 0;
          while (digits < 4 && pos < s.size() && HexDigit(s[pos]) >= 0) {
            unit = unit * 16 + static_cast<uint32_t>(HexDigit(s[pos++]));
            ++digits;
          }
          if (digits == 0) unit = 'x';
          break;
        }
        default:
          if (e >= '0' && e <= '7') {
            unit = static_cast<uint32_t>(e - '0');
            for (int k = 0; k < 2 && pos < s.size() && s[pos] >= '0' && s[pos] <= '7'; ++k) {
              unit = unit * 8 + static_cast<uint32_t>(s[pos++] - '0');
            }
          }
          break;  // \\ \" and any other character stand for themselves
      }
      PushUnit(out, unit);
    }
    Fail(std::string("unterminated ") +
         (close == ']' ? "key name (a ] is missing)" : "string (a closing \" is missing)"));
  }

  void Value(std::string_view line) {
    std::string name;
    size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else if (line.front() == '"') {
      pos = 1;
      name = Utf16LeToUtf8(Escaped(line, pos, '"'));
    } else {
      Fail("unexpected line (expected a [key], a \"name\"=value or @=value line)");
    }
    if (pos >= line.size() || line[pos] != '=') Fail("= expected after the value name");
    std::string_view data = line.substr(pos + 1);
    uint32_t type = 1;
    if (!data.empty() && data.front() == '"') {
      size_t p = 1;
      Set(std::move(name), 1, Escaped(data, p, '"'));
    } else if (data.substr(0, 4) == "str(") {
      size_t p = 4;
      type = ParseType(data, p);
      if (p + 1 >= data.size() || data[p] != ':' || data[p + 1] != '"')
        Fail("malformed str(N) value");
      p += 2;
      Set(std::move(name), type, Escaped(data, p, '"'));
    } else if (data.substr(0, 6) == "dword:") {
      uint32_t v = 0;
      int digits = 0;
      for (size_t p = 6; p < data.size() && HexDigit(data[p]) >= 0; ++p) {
        v = (v << 4) | static_cast<uint32_t>(HexDigit(data[p]));
        if (++digits > 8) Fail("dword value with more than 8 hex digits");
      }
      if (digits == 0) Fail("dword value without hex digits");
      key_->SetValue(std::move(name), DwordValue(v));
    } else if (data.substr(0, 3) == "hex") {
      size_t p = 3;
      type = 3;
      if (p < data.size() && data[p] == '(') {
        ++p;
        type = ParseType(data, p);
      }
      if (p >= data.size() || data[p] != ':') Fail(": expected after the hex type");
      std::string list(data.substr(p + 1));
      while (!list.empty() && list.back() == '\\') {
        list.pop_back();
        std::string_view next;
        if (!NextLine(next)) Fail("the file ends inside a continued hex value");
        list += std::string(next);
      }
      std::string bytes;
      for (size_t i = 0; i < list.size();) {
        while (i < list.size() && (list[i] == ' ' || list[i] == ',')) ++i;
        if (i >= list.size()) break;
        const int hi = HexDigit(list[i]);
        const int lo = i + 1 < list.size() ? HexDigit(list[i + 1]) : -1;
        if (hi < 0 || lo < 0) Fail("malformed hex byte list near \"" + list.substr(i) + "\"");
        bytes.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
      }
      Set(std::move(name), type, bytes);
    } else {
      Fail("unknown value data \"" + std::string(data) + "\"");
    }
  }

  uint32_t ParseType(std::string_view data, size_t& p) {
    uint32_t type = 0;
    int digits = 0;
    while (p < data.size() && HexDigit(data[p]) >= 0) {
      type = (type << 4) | static_cast<uint32_t>(HexDigit(data[p++]));
      if (++digits > 8) Fail("type with more than 8 hex digits");
    }
    if (digits == 0 || p >= data.size() || data[p] != ')') Fail("malformed (N) type");
    ++p;
    return type;
  }

  // Stores data of registry type `type`, given as its bytes (UTF-16LE for the text types).
  void Set(std::string name, uint32_t type, const std::string& bytes) {
    switch (type) {
      case 1:  // REG_SZ
      case 2:  // REG_EXPAND_SZ
      case 7:  // REG_MULTI_SZ: its first string
      {
        const std::string text = Utf16LeToUtf8(bytes);
        key_->SetValue(std::move(name), Value::String(text.substr(0, text.find('\0'))));
        return;
      }
      case 4:
        if (bytes.size() == 4) {
          uint32_t v = 0;
          for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(bytes[k]);
          key_->SetValue(std::move(name), DwordValue(v));
          return;
        }
        break;
      case 11:
        if (bytes.size() == 8) {
          uint64_t v = 0;
          for (int k = 7; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(bytes[k]);
          key_->SetValue(std::move(name), Value::String(std::to_string(v)));
          return;
        }
        break;
      default:
        break;
    }
    key_->SetValue(std::move(name), Value::String(HexPairs(bytes)));
  }

  TextLines lines_;
  const std::string& path_;
  RegistryTreeKey& root_;
  RegistryTreeKey* key_ = nullptr;
  int number_ = 0;  // of the line read last
};

}  // namespace

std::string DefaultWinePrefix() {
  if (const char* p = std::getenv("WINEPREFIX"); p != nullptr && *p != '\0') return p;
  return HomeFolder() + "/.wine";
}

void AddWineRegistryFile(std::string_view bytes, const std::string& path, RegistryTreeKey& root) {
  const std::string text = DecodeText8(bytes);
  WineParser(text, path, root).Run();
}

std::shared_ptr<RegistryTree> LoadWinePrefixRegistry(const std::string& prefix) {
  auto tree = std::make_shared<RegistryTree>();
  bool found = false;
  const std::pair<const char*, int32_t> files[] = {{"/user.reg", kCurrentUserRoot},
                                                   {"/system.reg", kLocalMachineRoot}};
  for (const auto& [name, root] : files) {
    const std::string path = prefix + name;
    const std::optional<std::string> bytes = ReadInputFileIfPresent(path, "Wine registry");
    if (!bytes) continue;
    found = true;
    AddWineRegistryFile(*bytes, path, tree->Root(root));
  }
  if (!found) {
    throw HostError::BadInput(prefix +
                              ": not a Wine prefix: it holds neither user.reg nor system.reg");
  }
  return tree;
}

}  // namespace lumora
