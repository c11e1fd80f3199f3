#include "platform/odbc/ConnectionString.h"

#include <algorithm>
#include <array>

#include "contract/Text.h"

namespace lumora::odbc {
namespace {

// What the driver manager skips before a key (C's isspace).
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsKeyCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.' || c == ' ';
}

// `text` with each "}" doubled.
std::string DoubledBraces(std::string_view text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '}') out += '}';
  }
  return out;
}

bool NamesTheDriver(std::string_view key) {
  return SameKey(key, "Driver") || SameKey(key, "DriverName");
}

std::string Make(std::string_view driver, const std::vector<Attribute>& attributes, bool mask) {
  std::string out = "DRIVER={" + DoubledBraces(driver) + "};";
  for (const Attribute& a : attributes) {
    if (!KeyRefusal(a.key).empty() || NamesTheDriver(a.key)) continue;
    out += a.key + "=" + (mask && IsSecretKey(a.key) ? std::string("***") : BracedValue(a.value));
    out += ";";
  }
  return out;
}

size_t FindIgnoringCase(std::string_view text, std::string_view needle, size_t from) {
  if (needle.empty() || needle.size() > text.size()) return std::string_view::npos;
  for (size_t at = from; at + needle.size() <= text.size(); ++at) {
    size_t i = 0;
    while (i < needle.size() && AsciiUpper(text[at + i]) == AsciiUpper(needle[i])) ++i;
    if (i == needle.size()) return at;
  }
  return std::string_view::npos;
}

}  // namespace

std::string_view TrimmedKey(std::string_view key) {
  while (!key.empty() && IsBlank(key.front())) key.remove_prefix(1);
  while (!key.empty() && IsBlank(key.back())) key.remove_suffix(1);
  return key;
}

bool SameKey(std::string_view a, std::string_view b) {
  a = TrimmedKey(a);
  b = TrimmedKey(b);
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiUpper(x) == AsciiUpper(y);
         });
}

bool IsDriverManagerKey(std::string_view key) {
  static constexpr std::array<std::string_view, 7> kKeys = {
      "DSN", "DRIVER", "FILEDSN", "SAVEFILE", "DMEnvAttr", "DMConnAttr", "DMStmtAttr"};
  key = TrimmedKey(key);
  return std::any_of(kKeys.begin(), kKeys.end(),
                     [&](std::string_view k) { return EqualsIgnoringAsciiCase(key, k); });
}

std::string KeyRefusal(std::string_view key) {
  if (TrimmedKey(key).empty()) return "has no key";
  if (TrimmedKey(key).size() != key.size()) {
    return "has blanks around its key (the driver manager would read \"" +
           std::string(TrimmedKey(key)) + "\")";
  }
  for (char c : key) {
    if (!IsKeyCharacter(c)) {
      return "has a key with a character other than letters, digits, \"_\", \"-\", \".\" and "
             "inner blanks";
    }
  }
  if (IsDriverManagerKey(key) && !SameKey(key, "Driver")) {
    return "names a key the driver manager acts on itself (" + AsciiUpperCase(key) + ")";
  }
  return {};
}

bool IsSecretKey(std::string_view key) {
  const std::string upper = AsciiUpperCase(TrimmedKey(key));
  if (upper == "PWD" || upper == "PASS" || upper == "PW") return true;
  static constexpr std::array<std::string_view, 6> kWords = {"PASSWORD", "PASSWD", "PASSPHRASE",
                                                             "SECRET",   "TOKEN",  "PWD"};
  return std::any_of(kWords.begin(), kWords.end(),
                     [&](std::string_view w) { return upper.find(w) != std::string::npos; });
}

std::string BracedValue(std::string_view value) {
  const bool needs = value.find_first_of(";{}") != std::string_view::npos ||
                     (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back())));
  if (!needs) return std::string(value);
  return "{" + DoubledBraces(value) + "}";
}

std::string ConnectionString(std::string_view driver, const std::vector<Attribute>& attributes) {
  return Make(driver, attributes, false);
}

std::string MaskedConnectionString(std::string_view driver,
                                   const std::vector<Attribute>& attributes) {
  return Make(driver, attributes, true);
}

std::string MaskSecrets(std::string text, const std::vector<Attribute>& attributes) {
  // Every echo is found in the text as it came and its bytes marked; each run of marked bytes
  // then becomes one mask. A mask is never searched again, so a value that is part of "***"
  // (or of another secret) cannot make the text grow, and a braced echo is masked whole.
  std::vector<bool> secret(text.size(), false);
  bool found = false;
  for (const Attribute& a : attributes) {
    if (!IsSecretKey(a.key) || a.value.empty()) continue;
    const std::string doubled = DoubledBraces(a.value);
    for (const std::string& echo : {"{" + doubled + "}", doubled, a.value}) {
      for (size_t at = FindIgnoringCase(text, echo, 0); at != std::string::npos;
           at = FindIgnoringCase(text, echo, at + 1)) {
        std::fill_n(secret.begin() + static_cast<std::ptrdiff_t>(at), echo.size(), true);
        found = true;
      }
    }
  }
  if (!found) return text;
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (!secret[i]) {
      out += text[i++];
      continue;
    }
    out += "***";
    while (i < text.size() && secret[i]) ++i;
  }
  return out;
}

std::string MaskSecretLines(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    const size_t eq = line.find('=');
    if (eq != std::string_view::npos && !TrimmedKey(line.substr(0, eq)).empty() &&
        IsSecretKey(line.substr(0, eq))) {
      out.append(line.substr(0, eq + 1)).append("***");
      if (line.back() == '\r') out += '\r';
      line = {};
    }
    out.append(line);
    if (end == std::string_view::npos) break;
    out += '\n';
    text.remove_prefix(end + 1);
  }
  return out;
}

}  // namespace lumora::odbc
