// Fuzzes the connection string of a try. The input's first line is the installed driver's name,
// each later line KEY=value an attribute of the object (lines split at LF only, so keys and values
// may hold CR, tabs and any other byte). The built string, parsed as unixODBC's driver manager
// parses one (keys after skipped blanks and ";" up to "=", a value braced when it starts with "{"
// with "}}" standing for "}", a later key replacing an earlier one ignoring case), names exactly
// the given driver, none of the keys the driver manager acts on (DSN, FILEDSN, SAVEFILE, the DM
// attributes, a second DRIVER) and carries every allowed attribute's value unchanged; the masked
// string and text masked with the attributes show no secret value.
#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/odbc/ConnectionString.h"

using lumora::fuzz::Check;
using lumora::odbc::Attribute;

namespace {

bool Blank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

// The pairs of `text` in the order the driver manager keeps them (a repeated key, compared
// ignoring case, keeps its first place and its last value).
std::vector<Attribute> ParseAsTheDriverManager(const std::string& text) {
  std::vector<Attribute> pairs;
  size_t i = 0;
  while (true) {
    while (i < text.size() && (Blank(text[i]) || text[i] == ';')) ++i;
    if (i >= text.size()) break;
    const size_t eq = text.find('=', i);
    if (eq == std::string::npos) break;
    Attribute pair{text.substr(i, eq - i), ""};
    i = eq + 1;
    if (i < text.size() && text[i] == '{') {
      ++i;
      while (i < text.size() && (text[i] != '}' || (i + 1 < text.size() && text[i + 1] == '}'))) {
        if (text[i] == '}') ++i;
        pair.value += text[i++];
      }
      if (i < text.size()) ++i;  // the closing brace
    } else {
      while (i < text.size() && text[i] != ';') pair.value += text[i++];
    }
    auto same = std::find_if(pairs.begin(), pairs.end(),
                             [&](const Attribute& p) { return SameIgnoringCase(p.key, pair.key); });
    if (same != pairs.end()) {
      same->value = pair.value;
    } else {
      pairs.push_back(std::move(pair));
    }
  }
  return pairs;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

template <class It>
std::set<std::string> UpperKeys(It begin, It end) {
  std::set<std::string> keys;
  for (It i = begin; i != end; ++i) keys.insert(Upper(i->key));
  return keys;
}

bool Trimmed(std::string_view key, std::string_view name) {
  while (!key.empty() && Blank(key.front())) key.remove_prefix(1);
  while (!key.empty() && Blank(key.back())) key.remove_suffix(1);
  return SameIgnoringCase(key, name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(lumora::fuzz::AsText(data, size));
  // The string stops at a NUL for the driver manager; the try program is given text.
  if (text.find('\0') != std::string::npos) return 0;
  size_t end = text.find('\n');
  const std::string driver = text.substr(0, end);
  std::vector<Attribute> attributes;
  while (end != std::string::npos) {
    const size_t start = end + 1;
    end = text.find('\n', start);
    const std::string line = text.substr(start, end == std::string::npos ? end : end - start);
    const size_t eq = line.find('=');
    if (eq != std::string::npos) attributes.push_back({line.substr(0, eq), line.substr(eq + 1)});
  }

  std::vector<Attribute> allowed;
  for (const Attribute& a : attributes) {
    if (lumora::odbc::KeyRefusal(a.key).empty() && !Trimmed(a.key, "Driver") &&
        !Trimmed(a.key, "DriverName")) {
      allowed.push_back(a);
    }
  }
  const std::vector<Attribute> parsed =
      ParseAsTheDriverManager(lumora::odbc::ConnectionString(driver, attributes));
  Check(!parsed.empty() && parsed[0].key == "DRIVER" && parsed[0].value == driver,
        "the string does not name the installed driver first");
  for (size_t i = 1; i < parsed.size(); ++i) {
    for (const char* reserved :
         {"DRIVER", "DSN", "FILEDSN", "SAVEFILE", "DMEnvAttr", "DMConnAttr", "DMStmtAttr"}) {
      Check(!Trimmed(parsed[i].key, reserved), "the string names a key the driver manager acts on");
    }
  }
  // Every allowed attribute arrives with its value (the last of a repeated key).
  for (const Attribute& a : allowed) {
    auto found = std::find_if(parsed.begin(), parsed.end(),
                              [&](const Attribute& p) { return SameIgnoringCase(p.key, a.key); });
    Check(found != parsed.end(), "an allowed attribute is missing from the string");
    auto last = std::find_if(allowed.rbegin(), allowed.rend(),
                             [&](const Attribute& b) { return SameIgnoringCase(b.key, a.key); });
    Check(found->value == last->value, "an attribute's value does not arrive unchanged");
  }
  Check(UpperKeys(parsed.begin() + 1, parsed.end()) == UpperKeys(allowed.begin(), allowed.end()),
        "the string carries a pair the object's allowed attributes do not");

  // No secret value shows in the masked string or in text masked with the attributes.
  const std::string masked = lumora::odbc::MaskedConnectionString(driver, attributes);
  const std::string echoed = lumora::odbc::MaskSecrets(
      lumora::odbc::ConnectionString(driver, attributes) + "\n" + text, attributes);
  for (const Attribute& a : allowed) {
    if (!lumora::odbc::IsSecretKey(a.key) || a.value.empty() ||
        a.value.find('*') != std::string::npos) {
      continue;
    }
    for (const Attribute& p : ParseAsTheDriverManager(masked)) {
      if (SameIgnoringCase(p.key, a.key)) Check(p.value == "***", "a secret shows in the mask");
    }
    Check(Upper(echoed).find(Upper(a.value)) == std::string::npos,
          "a secret value shows in masked text");
  }
  return 0;
}
