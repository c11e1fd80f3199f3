// The profile functions against the Windows behaviour they stand in for: parsing, matching,
// quotes, defaults, listings and the truncation results. Encodings (UTF-16 with its mark,
// Windows-1252 behind a UTF-8 mark) are played end to end by the scripted cases
// catalogue-in-utf-16 and finish-with-windows-1252-catalogue; here, a mark before a section.
#include <gtest/gtest.h>

#include <functional>

#include "platform/ProfileFile.h"
#include "support/Platform.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

using namespace std::string_literals;

const std::string kWorkedExample =
    "; catalogue\r\n[Drivers]\r\n  Access = \"Microsoft Access Driver (*.mdb)\"\r\n"
    "dBase=dBASE Files\r\n;Hidden=yes\r\n#Paradox=px\r\nLoose line\r\n[drivers]\r\nExcel=xls\r\n";
const std::string kSections =
    "early=1\n[]\n[ Spaced Name ]\na=1\n[S]k=v\nb=2\n[Open\nc=3\n[X]]y]\nd=4\n";
const std::string kDup = "[Dup]\nk=first\nk=second\n[Other]\nz=0\n[DUP]\nk=third\nonlylater=x\n";
const std::string kComments = "[S]\n;x=1\n   ;indented=2\na=b ;c\n#hash=3\n";
const std::string kQuotes =
    "[Q]\nsingle='y'\nmixed=\"z'\nnested=\"\"w\"\"\nblanks=\"  b  \"\none=\"\n"
    "inner=a\"b\"\n";
const std::string kBlanks = "[S]\nk = v \nnoequals\nempty=\n";
const std::string kSection1 =
    "[section1]\nname1=val1\nname2=\nname3\nname4=val4\n[empty]\n[e2]\n=val5\n";
const std::string kThree = "[section1]\r\n[section2]\r\n[section3]\r\n";
const std::string kLoneCrs = "[A]\rk=1\r\r[B]\rk=2\rlast=3";  // and no line end after the last
const std::string kWithNul = "[section1]\r\nname1=val1\r\n[section3]\r\n=val5\r\n"s + '\0';

ProfileResult Str(const char* app, const char* key, const char* def, uint32_t size,
                  const std::string& f) {
  return GetPrivateProfileStringA(app, key, def, size, f);
}

constexpr uint32_t kAny = 0xFFFFFFFF;  // a result the case leaves unchecked
const std::string kAnyText = "(any)";

// Where Wine's own profile functions answer otherwise than Windows, the Windows build's run under
// Wine expects Wine's answer, named in the case beside the Windows one.
struct WineResult {
  std::string buffer = kAnyText;  // kAnyText: the row's Windows answer holds under Wine too
  uint32_t returned = kAny;
  uint32_t lastError = kAny;
  bool differs() const { return buffer != kAnyText || returned != kAny || lastError != kAny; }
};

// Each case writes its file (none for "") and checks what the caller's buffer holds, the count
// returned and the last error (kProfileNoError unless said): Windows' answer, which the stand-in
// gives, and Wine's where it differs.
struct Case {
  const char* what;
  std::string file;
  std::function<ProfileResult(const std::string&)> call;
  std::string buffer;
  uint32_t returned;
  uint32_t lastError = kProfileNoError;
  WineResult wine = {};
};

#define STR(app, key, def, size) [](const std::string& f) { return Str(app, key, def, size, f); }
#define SEC(app, size) [](const std::string& f) { return GetPrivateProfileSectionA(app, size, f); }

TEST(ProfileFile, GivesTheWindowsResults) {
  const Case cases[] = {
      {"names and sections match ignoring case; quotes go", kWorkedExample,
       STR("DRIVERS", "access", "", 64), "Microsoft Access Driver (*.mdb)\0"s, 31, kProfileNoError,
       WineResult{"Microsoft Access Driver (*.mdb)\0\0"s, kAny}},
      {"the second [drivers] is ignored", kWorkedExample, STR("Drivers", "Excel", "none", 64),
       "none\0"s, 4},
      {"# starts no comment", kWorkedExample, STR("Drivers", "#Paradox", "", 64), "px\0"s, 2},
      {"; starts a comment", kWorkedExample, STR("Drivers", ";Hidden", "d", 64), "d\0"s, 1,
       kProfileNoError, WineResult{"yes\0"s, 3}},
      {"a value cut to the buffer", kWorkedExample, STR("Drivers", "dBase", "", 6), "dBASE\0"s, 5,
       kProfileMoreData, WineResult{kAnyText, kAny, kProfileNoError}},
      {"the key listing", kWorkedExample, STR("Drivers", nullptr, "", 64),
       "Access\0dBase\0#Paradox\0\0"s, 22},
      {"a section keeps its lines as written", kWorkedExample, SEC("Drivers", 200),
       "Access=\"Microsoft Access Driver (*.mdb)\"\0dBase=dBASE Files\0#Paradox=px\0"
       "Loose line\0\0"s,
       82},
      // Section lines end at the first "]"; lines before the first section are unreachable.
      {"early line", kSections, STR("", "early", "def", 64), "def\0"s, 3, kProfileNoError,
       WineResult{"1\0"s, 1}},
      {"spaces around a section name", kSections, STR("Spaced Name", "a", "", 64), "1\0"s, 1},
      {"what follows ] is ignored", kSections, STR("S", "k", "lost", 64), "lost\0"s, 4},
      {"a line without ] opens a section", kSections, STR("Open", "c", "", 64), "3\0"s, 1,
       kProfileNoError, WineResult{"\0"s, 0}},
      {"[X]]y]", kSections, STR("X", "d", "", 64), "4\0"s, 1, kProfileNoError,
       WineResult{"\0"s, 0}},
      {"section names", kSections, STR(nullptr, nullptr, "", 256), "Spaced Name\0S\0Open\0X\0\0"s,
       21, kProfileNoError, WineResult{"Spaced Name\0S\0X]]y\0\0"s, 19}},
      {"the first key of a name", kDup, STR("dup", "k", "", 64), "first\0"s, 5},
      {"keys of a later same-named section are unreachable", kDup,
       STR("Dup", "onlylater", "missing", 64), "missing\0"s, 7},
      {"the first section of a name", kDup, SEC("Dup", 64), "k=first\0k=second\0\0"s, 17},
      {"duplicate keys listed as often as they occur", kDup, STR("Dup", nullptr, "", 64),
       "k\0k\0\0"s, 4},
      {"indented comment", kComments, STR("S", ";indented", "d", 64), "d\0"s, 1, kProfileNoError,
       WineResult{"2\0"s, kAny}},
      {"no inline comments", kComments, STR("S", "a", "", 64), "b ;c\0"s, 4},
      {"comments left out of a section", kComments, SEC("S", 64), "a=b ;c\0#hash=3\0\0"s, 15},
      {"comments left out of the key listing", kComments, STR("S", nullptr, "", 64),
       "a\0#hash\0\0"s, 8},
      {"single quotes", kQuotes, STR("Q", "single", "", 64), "y\0"s, 1, kProfileNoError,
       WineResult{"y\0\0"s, kAny}},
      {"quotes that do not match stay", kQuotes, STR("Q", "mixed", "", 64), "\"z'\0"s, 3},
      {"one pair goes", kQuotes, STR("Q", "nested", "", 64), "\"w\"\0"s, 3, kProfileNoError,
       WineResult{"\"w\"\0\0"s, kAny}},
      {"blanks inside quotes stay", kQuotes, STR("Q", "blanks", "", 64), "  b  \0"s, 5,
       kProfileNoError, WineResult{"  b  \0\0"s, kAny}},
      {"a lone quote", kQuotes, STR("Q", "one", "", 64), "\"\0"s, 1},
      {"inner quotes", kQuotes, STR("Q", "inner", "", 64), "a\"b\"\0"s, 4},
      {"a null default", kBlanks, STR("S", "missing", nullptr, 64), "\0"s, 0},
      {"only trailing spaces of a default go", kBlanks, STR("S", "missing", "  d  ", 64), "  d\0"s,
       3},
      {"a tab ends no default", kBlanks, STR("S", "missing", "d\t", 64), "d\t\0"s, 2},
      {"spaces around arguments are ignored", kBlanks, STR("  S  ", "  k  ", "", 64), "v\0"s, 1},
      {"tabs around a section are not", kBlanks, STR("\tS", "k", "tab", 64), "tab\0"s, 3,
       kProfileNoError, WineResult{"v\0"s, 1}},
      {"tabs around a key are not", kBlanks, STR("S", "k\t", "tab", 64), "tab\0"s, 3,
       kProfileNoError, WineResult{"v\0"s, 1}},
      {"a line without = has no value", kBlanks, STR("S", "noequals", "dflt", 64), "dflt\0"s, 4},
      {"an empty value is no default", kBlanks, STR("S", "empty", "dflt", 64), "\0"s, 0},
      {"keys without = are not listed", kBlanks, STR("S", nullptr, "", 64), "k\0empty\0\0"s, 8},
      {"a missing file gives the default", "", STR("S", "k", "fallback ", 64), "fallback\0"s, 8,
       kProfileFileNotFound},
      {"a missing file has an empty section", "", SEC("S", 64), "\0\0"s, 0, kProfileFileNotFound},
      {"a missing file lists no keys", "", STR("S", nullptr, "listdef", 64), "listdef\0"s, 7,
       kProfileFileNotFound},
      {"no section names in a missing file: one NUL", "", STR(nullptr, nullptr, "", 8), "\0"s, 0,
       kProfileFileNotFound},
      {"a buffer of none", "[S]\nk=abcde\n", STR("S", "k", "", 0), "", 0},
      {"a buffer of one", "[S]\nk=abcde\n", STR("S", "k", "", 1), "\0"s, 0, kAny},
      {"a value that fits", "[S]\nk=abcde\n", STR("S", "k", "", 6), "abcde\0"s, 5},
      {"a value one short", "[S]\nk=abcde\n", STR("S", "k", "", 5), "abcd\0"s, 4, kProfileMoreData,
       WineResult{kAnyText, kAny, kProfileNoError}},
      {"the default is cut alike", "[S]\n", STR("S", "x", "defaultvalue", 4), "def\0"s, 3,
       kProfileMoreData, WineResult{kAnyText, kAny, kProfileNoError}},
      {"a cut section", kSection1, SEC("section1", 24), "name1=val1\0name2=\0name\0\0"s, 22,
       kProfileMoreData, WineResult{kAnyText, kAny, kProfileNoError}},
      // 36 characters are needed, but only a buffer with one to spare holds the whole section.
      {"a section with one to spare", kSection1, SEC("section1", 37),
       "name1=val1\0name2=\0name3\0name4=val4\0\0"s, 35},
      {"a section that exactly fits is cut", kSection1, SEC("section1", 36), kAnyText, 34, kAny},
      {"one less", kSection1, SEC("section1", 35), "name1=val1\0name2=\0name3\0name4=val\0\0"s,
       kAny, kAny},
      {"an empty section", kSection1, SEC("empty", 200), "\0\0"s, 0, kProfileNoError,
       WineResult{"\0"s, kAny}},
      {"a missing section", kSection1, SEC("absent", 200), "\0\0"s, 0},
      {"an entry without a name", kSection1, SEC("e2", 200), "=val5\0\0"s, 6},
      {"a section buffer of one", kSection1, SEC("section1", 1), "\0"s, 0, kAny,
       WineResult{kAnyText, 1}},
      {"a section buffer of none", kSection1, SEC("section1", 0), "", 0, kAny},
      {"a cut key listing ends in two NULs", "[S]\nalpha=1\nbeta=2\n", STR("S", nullptr, "", 9),
       "alpha\0b\0\0"s, 7, kProfileMoreData, WineResult{kAnyText, kAny, kProfileNoError}},
      {"a key listing that just fits", "[S]\nalpha=1\nbeta=2\n", STR("S", nullptr, "", 12),
       "alpha\0beta\0\0"s, 10, kProfileMoreData, WineResult{kAnyText, kAny, kProfileNoError}},
      {"a key listing with one to spare", "[S]\nalpha=1\nbeta=2\n", STR("S", nullptr, "", 13),
       "alpha\0beta\0\0"s, 11},
      {"section names that exactly fit are cut", kThree, STR(nullptr, nullptr, "", 28),
       "section1\0section2\0section3\0\0"s, 26, kProfileMoreData,
       WineResult{kAnyText, kAny, kProfileNoError}},
      {"section names with one to spare", kThree, STR(nullptr, nullptr, "", 29),
       "section1\0section2\0section3\0\0"s, 27},
      {"a UTF-8 byte-order mark is not part of the first section", "\xEF\xBB\xBF" + kThree,
       STR(nullptr, nullptr, "", 64), "section1\0section2\0section3\0\0"s, 27},
      {"a lone CR ends a line", kLoneCrs, STR("A", "k", "", 64), "1\0"s, 1},
      {"a lone CR ends a line in a section too", kLoneCrs, SEC("B", 64), "k=2\0last=3\0\0"s, 11},
      {"a NUL after the last line is no entry", kWithNul, SEC("section3", 64), "=val5\0\0"s, 6},
      {"a null section name is refused and nothing is written", kWithNul, SEC(nullptr, 64), "", 0,
       kProfileInvalidParameter},
      {"an empty section name is a section", "[]\nk=v\n", SEC("", 64), "k=v\0\0"s, 4,
       kProfileNoError, WineResult{"\0"s, 0}},
      // Names fold ASCII letters only: z and Z are one letter; '{' and '`', just outside a-z,
      // do not become '[' and '@'.
      {"z and Z are one letter", "[Zz]\nzZ=1\n", STR("zZ", "Zz", "none", 64), "1\0"s, 1},
      {"{ is not [", "[S]\na[=1\n", STR("S", "a{", "none", 64), "none\0"s, 4},
      {"` is not @", "[S]\na@=1\n", STR("S", "a`", "none", 64), "none\0"s, 4},
  };
  testing::TempDir dir;
  for (const Case& c : cases) {
    std::string path = dir.File("missing.ini");
    if (!c.file.empty()) {
      dir.Write("test.ini", c.file);
      path = dir.File("test.ini");
    }
    const ProfileResult r = c.call(path);
    const bool wine = testing::UnderWine() && c.wine.differs();
    const std::string& buffer = wine && c.wine.buffer != kAnyText ? c.wine.buffer : c.buffer;
    const uint32_t returned = wine && c.wine.returned != kAny ? c.wine.returned : c.returned;
    const uint32_t lastError = wine && c.wine.lastError != kAny ? c.wine.lastError : c.lastError;
    EXPECT_TRUE(buffer == kAnyText || r.buffer == buffer) << c.what << ": " << r.buffer;
    EXPECT_TRUE(returned == kAny || r.returned == returned) << c.what << ": " << r.returned;
    EXPECT_TRUE(lastError == kAny || r.lastError == lastError) << c.what << ": " << r.lastError;
  }
  EXPECT_EQ(Str("S", "k", "dir", 64, dir.path()).Text(), "dir") << "a folder is no profile file";
}

// Backslashes in the path are folder separators. A parsed file is kept while it stays the same;
// each rewrite is seen on the next call, also one of the same size whose modification time stays
// the same (a rewrite within one clock tick). Those rows set the time ahead of the clock, so that
// the file counts as just written however slow the machine is.
TEST(ProfileFile, FindsTheFileAndSeesItsChangesOnTheNextCall) {
  testing::TempDir dir;
  const std::string path = dir.path() + "\\test.ini";
  const struct {
    const char* value;
    bool sameTime;
  } rewrites[] = {{"1", false}, {"2", false}, {"3", true}, {"4", true}, {"5", true}};
  for (const auto& r : rewrites) {
    dir.Write("test.ini", "[S]\nk="s + r.value + "\n");
    if (r.sameTime) {
      ASSERT_TRUE(testing::SetModifiedAhead(dir.File("test.ini"), 3600));
    }
    EXPECT_EQ(Str("S", "k", "", 64, path).Text(), r.value);
    EXPECT_EQ(Str("S", "k", "", 64, path).Text(), r.value);
  }
  dir.Write("other.ini", "[S]\nk=other\n");
  EXPECT_EQ(Str("S", "k", "", 64, dir.File("other.ini")).Text(), "other");
  EXPECT_EQ(Str("S", "k", "", 64, path).Text(), "5");
}

#undef STR
#undef SEC

}  // namespace
}  // namespace lumora
