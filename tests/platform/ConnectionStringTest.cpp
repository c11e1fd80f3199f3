// The connection string of a try and the secrets rule: which keys pass (compared as the driver
// manager compares them), how values and the driver's name are braced, and what is masked. What
// the driver manager then does with a string is played end to end in tests/e2e/CheckCommandTest.
#include <gtest/gtest.h>

#include "platform/odbc/ConnectionString.h"

namespace lumora::odbc {
namespace {

TEST(ConnectionKeys, PassOnlyAsAnAttributeNameNoneTheDriverManagerActsOnAndSecretsAreKnown) {
  struct Row {
    const char* key;
    bool passes;
    bool secret;
  };
  const Row rows[] = {
      {"Database", true, false},
      {"Max Buffer Size", true, false},
      {"Trusted_Connection", true, false},
      {"Driver", true, false},
      {"DRIVER", true, false},
      {"driver", true, false},
      {"DriverName", true, false},
      {" DRIVER", false, false},
      {"\tdriver", false, false},
      {"Driver ", false, false},
      {"DSN", false, false},
      {"dsn", false, false},
      {"FileDsn", false, false},
      {"SAVEFILE", false, false},
      {"savefile", false, false},
      {"DMConnAttr", false, false},
      {"DMEnvAttr", false, false},
      {"DMStmtAttr", false, false},
      {"", false, false},
      {" ", false, false},
      {"a;b", false, false},
      {"x{", false, false},
      {"x}", false, false},
      {"k\x1b", false, false},
      {"PWD", true, true},
      {"pwd", true, true},
      {"PASS", true, true},
      {"pw", true, true},
      {"Password", true, true},
      {"DB_PASSWD", true, true},
      {"Passphrase", true, true},
      {"ClientSecret", true, true},
      {"TOKEN", true, true},
      {"AccessToken", true, true},
      {"Passthrough", true, false},
      {"PWLength", true, false},
      {" PWD ", false, true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(KeyRefusal(row.key).empty(), row.passes) << '"' << row.key << '"';
    EXPECT_EQ(IsSecretKey(row.key), row.secret) << '"' << row.key << '"';
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
