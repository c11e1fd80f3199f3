#include "platform/odbc/ConnectionString.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace lumora::odbc {
namespace {

std::string AsciiUpper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::string Make(std::string_view driver, const std::vector<Attribute>& attributes, bool mask) {
  std::string out = "DRIVER=" + std::string(1, '{');
  for (char c : driver) {
    out += c;
    if (c == '}') out += '}';
  }
  out += "};";
  for (const Attribute& a : attributes) {
    out += a.key + "=" + (mask && IsSecretKey(a.key) ? std::string("***") : BracedValue(a.value));
    out += ";";
  }
  return out;
}

}  // namespace

bool IsSecretKey(std::string_view key) {
  const std::string upper = AsciiUpper(key);
  if (upper == "PWD") return true;
  static constexpr std::array<std::string_view, 6> kWords = {"PASSWORD", "PASSWD", "PASSPHRASE",
                                                             "SECRET",   "TOKEN",  "PWD"};
  return std::any_of(kWords.begin(), kWords.end(),
                     [&](std::string_view w) { return upper.find(w) != std::string::npos; });
}

std::string BracedValue(std::string_view value) {
  const bool needs = value.find_first_of(";{}") != std::string_view::npos ||
                     (!value.empty() && (value.front() == ' ' || value.back() == ' '));
  if (!needs) return std::string(value);
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

std::string ConnectionString(std::string_view driver, const std::vector<Attribute>& attributes) {
  return Make(driver, attributes, false);
}

std::string MaskedConnectionString(std::string_view driver,
                                   const std::vector<Attribute>& attributes) {
  return Make(driver, attributes, true);
}

std::string MaskSecrets(std::string text, const std::vector<Attribute>& attributes) {
  for (const Attribute& a : attributes) {
    if (!IsSecretKey(a.key) || a.value.empty()) continue;
    for (size_t at = text.find(a.value); at != std::string::npos; at = text.find(a.value, at + 3)) {
      text.replace(at, a.value.size(), "***");
    }
  }
  return text;
}

std::string MaskSecretLines(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    const size_t eq = line.find('=');
    if (eq != std::string_view::npos) {
      std::string_view key = line.substr(0, eq);
      while (!key.empty() && (key.front() == ' ' || key.front() == '\t')) key.remove_prefix(1);
      while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
      if (!key.empty() && IsSecretKey(key)) {
        out.append(line.substr(0, eq + 1)).append("***");
        if (line.back() == '\r') out += '\r';
        line = {};
      }
    }
    out.append(line);
    if (end == std::string_view::npos) break;
    out += '\n';
    text.remove_prefix(end + 1);
  }
  return out;
}

}  // namespace lumora::odbc
