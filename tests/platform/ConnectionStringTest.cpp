// The connection string of a try and the secrets rule: which keys pass (compared as the driver
// manager compares them), how values and the driver's name are braced, and what is masked. What
// the driver manager then does with a string is played end to end in tests/e2e/CheckCommandTest.
#include <gtest/gtest.h>

#include <span>
#include <tuple>

#include "platform/odbc/ConnectionString.h"

namespace lumora::odbc {
namespace {

TEST(ConnectionKeys, PassOnlyAsAnAttributeNameNoneTheDriverManagerActsOnAndSecretsAreKnown) {
  const char* passing[] = {"Database", "Max Buffer Size", "Trusted_Connection", "Driver",  "DRIVER",
                           "driver",   "DriverName",      "Passthrough",        "PWLength"};
  const char* refused[] = {" DRIVER",    "\tdriver", "Driver ",  "DSN",        "dsn",
                           "FileDsn",    "SAVEFILE", "savefile", "DMConnAttr", "DMEnvAttr",
                           "DMStmtAttr", "",         " ",        "a;b",        "x{",
                           "x}",         "k\x1b"};
  const char* secrets[] = {"PWD",       "pwd",        "PASS",         "pw",    "Password",
                           "DB_PASSWD", "Passphrase", "ClientSecret", "TOKEN", "AccessToken"};
  const char* refusedSecrets[] = {" PWD "};
  // Each group of keys, whether they pass, and whether their values are secrets.
  const std::tuple<std::span<const char*>, bool, bool> groups[] = {{passing, true, false},
                                                                   {refused, false, false},
                                                                   {secrets, true, true},
                                                                   {refusedSecrets, false, true}};
  for (const auto& [keys, passes, secret] : groups) {
    for (const char* key : keys) {
      EXPECT_EQ(KeyRefusal(key).empty(), passes) << '"' << key << '"';
      EXPECT_EQ(IsSecretKey(key), secret) << '"' << key << '"';
    }
  }
}

TEST(ConnectionStrings, CarryTheInstalledDriverAndOnlyAllowedKeysWithValuesBracedAsOdbcSays) {
  struct Row {
    const char* what;
    std::string driver;
    std::vector<Attribute> attributes;
    std::string plain, masked;
  };
  const Row rows[] = {
      {"plain values",
       "SQLite3",
       {{"Database", "a.db"}, {"Timeout", "5"}},
       "DRIVER={SQLite3};Database=a.db;Timeout=5;",
       "DRIVER={SQLite3};Database=a.db;Timeout=5;"},
      {"a brace in the driver's name doubled",
       "Odd}Name",
       {},
       "DRIVER={Odd}}Name};",
       "DRIVER={Odd}}Name};"},
      {"a blank at either end braced",
       "D",
       {{"PWD", " pw"}, {"UID", "u "}, {"X", "\tx"}},
       "DRIVER={D};PWD={ pw};UID={u };X={\tx};",
       "DRIVER={D};PWD=***;UID={u };X={\tx};"},
      {"; { } braced, } doubled",
       "D",
       {{"A", "a;b"}, {"B", "{5}"}, {"C", "x}y"}},
       "DRIVER={D};A={a;b};B={{5}}};C={x}}y};",
       "DRIVER={D};A={a;b};B={{5}}};C={x}}y};"},
      {"every secret key masked",
       "D",
       {{"TOKEN", "t0k"}, {"Pass", "p"}, {"api_secret", "s"}},
       "DRIVER={D};TOKEN=t0k;Pass=p;api_secret=s;",
       "DRIVER={D};TOKEN=***;Pass=***;api_secret=***;"},
      {"the driver manager's keys and the object's driver lines left out",
       "SQLite3",
       {{" DRIVER", "/evil.so"},
        {"\tdriver", "/evil.so"},
        {"Driver", "/evil.so"},
        {"DriverName", "Evil"},
        {"DSN", "x"},
        {"FILEDSN", "/f.dsn"},
        {"SaveFile", "/s"},
        {"DMConnAttr", "x"},
        {"Database", "a.db"}},
       "DRIVER={SQLite3};Database=a.db;",
       "DRIVER={SQLite3};Database=a.db;"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ConnectionString(row.driver, row.attributes), row.plain) << row.what;
    EXPECT_EQ(MaskedConnectionString(row.driver, row.attributes), row.masked) << row.what;
  }
}

TEST(SecretMasking, HidesEveryEchoOfASecretValueAndEverySecretLine) {
  struct Row {
    const char* what;
    std::string text;
    std::vector<Attribute> attributes;
    std::string masked;
  };
  const Row rows[] = {
      {"raw, braced and doubled echoes in any case",
       "a s3c;ret}D4 b {s3c;ret}}D4} c S3C;RET}}d4",
       {{"PWD", "s3c;ret}D4"}},
       "a *** b *** c ***"},
      {"a token", "bearer abc123 refused", {{"AccessToken", "abc123"}}, "bearer *** refused"},
      {"not a secret key", "user abc123", {{"UID", "abc123"}}, "user abc123"},
      // A value found in the mask itself: masking again must not grow the text (each pass
      // over "***" tripled it before).
      {"values within the mask",
       "PWD=*;PW=**;Token=*",
       {{"PWD", "*"}, {"PW", "**"}, {"Token", "*"}, {"Pass", "*"}, {"Secret", "*"}},
       "PWD=***;PW=***;Token=***"},
      {"an empty secret masks nothing", "DRIVER={};", {{"PWD", ""}}, "DRIVER={};"},
      {"overlapping secrets are one mask",
       "x abcd y",
       {{"PWD", "abc"}, {"PASS", "bcd"}},
       "x *** y"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(MaskSecrets(row.text, row.attributes), row.masked) << row.what;

  const std::pair<std::string, std::string> lines[] = {
      {"PWD=x\r\nUID=u\r\n", "PWD=***\r\nUID=u\r\n"},
      {"  Token=t\nDescription=pw", "  Token=***\nDescription=pw"},
      {"Password=a=b\r", "Password=***\r"},
      {"=x\nPASS=", "=x\nPASS=***"},
      {"PW =x\n", "PW =***\n"},
  };
  for (const auto& [text, masked] : lines) EXPECT_EQ(MaskSecretLines(text), masked) << text;
}

}  // namespace
}  // namespace lumora::odbc
