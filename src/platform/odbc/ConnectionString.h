// The ODBC connection string of a data source, made from its attribute lines by an allow-list:
// only keys of the shape an attribute name has, never one the driver manager acts on itself, and
// the driver only by the installed name the caller gives. Also the one rule for which keys are
// secret and the masking of their values wherever they are shown. Nothing here keeps a copy.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumora::odbc {

struct Attribute {
  std::string key;
  std::string value;
};

// `key` as the driver manager compares keys: blanks (space, tab, CR, LF, VT, FF) trimmed from
// both ends; compare the result ignoring ASCII case (SameKey).
std::string_view TrimmedKey(std::string_view key);
bool SameKey(std::string_view a, std::string_view b);

// True for keys the driver manager acts on itself (DSN, DRIVER, FILEDSN, SAVEFILE, DMEnvAttr,
// DMConnAttr, DMStmtAttr), compared as the driver manager compares keys.
bool IsDriverManagerKey(std::string_view key);

// Why an attribute line with this key may neither be stored from an import nor go into a
// connection string, "" when it may: blanks around the key, a character outside letters, digits,
// "_", "-", "." and inner blanks, or a key the driver manager acts on. Driver= and DriverName=,
// the lines that name a data source's driver, pass (they are never put in the string as given).
std::string KeyRefusal(std::string_view key);

// True for keys whose values are secrets: PWD, PASS, PW, and any key containing PASSWORD,
// PASSWD, PASSPHRASE, PWD, SECRET or TOKEN (trimmed, ASCII case ignored).
bool IsSecretKey(std::string_view key);

// `value` as a connection string carries it: braced, with each "}" doubled, when it holds ";",
// "{" or "}" or has a blank at either end; else as it is.
std::string BracedValue(std::string_view value);

// "DRIVER={driver};KEY=value;..." for the attributes in order; attributes whose key KeyRefusal
// refuses, and Driver= and DriverName=, are left out.
std::string ConnectionString(std::string_view driver, const std::vector<Attribute>& attributes);

// The same with the value of every secret key shown as "***".
std::string MaskedConnectionString(std::string_view driver,
                                   const std::vector<Attribute>& attributes);

// `text` with every echo of a secret value of `attributes` replaced by "***": the value as it
// is, braced ("{s3c;ret}}D4}") and with its "}" doubled, in any ASCII letter case.
std::string MaskSecrets(std::string text, const std::vector<Attribute>& attributes);

// `text` with the value of every "KEY=value" line whose key is secret shown as "***" (blanks
// before the key and a CR before the line end kept): what a dump of a form may show.
std::string MaskSecretLines(std::string_view text);

}  // namespace lumora::odbc
