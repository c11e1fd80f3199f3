// The ODBC connection string of a data source, made from its attribute lines, and the same
// string as it may be shown: the value of every secret key (PWD=, Password= and their kind)
// replaced by "***". The caller owns the strings; nothing here keeps a copy.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumora::odbc {

struct Attribute {
  std::string key;
  std::string value;
};

// True for keys whose values are secrets: PWD, and any key naming a password, passphrase,
// secret or token (ASCII letters compared ignoring case).
bool IsSecretKey(std::string_view key);

// `value` as a connection string carries it: braced, with each "}" doubled, when it holds ";",
// "{", "}" or blanks at either end, else as it is.
std::string BracedValue(std::string_view value);

// "DRIVER={driver};KEY=value;..." for the attributes in order.
std::string ConnectionString(std::string_view driver, const std::vector<Attribute>& attributes);

// The same with the value of every secret key shown as "***".
std::string MaskedConnectionString(std::string_view driver,
                                   const std::vector<Attribute>& attributes);

// `text` with every occurrence of a secret value of `attributes` replaced by "***" (a driver
// may quote the string it was given in a diagnostic).
std::string MaskSecrets(std::string text, const std::vector<Attribute>& attributes);

// `text` with the value of every "KEY=value" line whose key is secret shown as "***" (blanks
// before the key kept): what a dump of a form or a log may show of attribute lines.
std::string MaskSecretLines(std::string_view text);

}  // namespace lumora::odbc
