// The profile functions against the Windows behaviour they stand in for: parsing, matching,
// quotes, defaults, listings and the truncation results.
#include <gtest/gtest.h>

#include <functional>

#include "platform/ProfileFile.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

using namespace std::string_literals;
using testing::TempDir;

class ProfileFileTest : public ::testing::Test {
 protected:
  // Writes `content` as the test's INI file and returns its path.
  std::string Ini(const std::string& content) {
    dir_.Write("test.ini", content);
    return dir_.File("test.ini");
  }
  std::string String(const char* app, const char* key, const char* def, uint32_t size = 256) {
    return GetPrivateProfileStringA(app, key, def, size, path_).Text();
  }

  TempDir dir_;
  std::string path_;
};

const char* const kWorkedExample =
    "; catalogue\r\n"
    "[Drivers]\r\n"
    "  Access = \"Microsoft Access Driver (*.mdb)\"\r\n"
    "dBase=dBASE Files\r\n"
    ";Hidden=yes\r\n"
    "#Paradox=px\r\n"
    "Loose line\r\n"
    "[drivers]\r\n"
    "Excel=xls\r\n";

TEST_F(ProfileFileTest, WorkedExampleGivesTheWindowsResults) {
  path_ = Ini(kWorkedExample);

  ProfileResult access = GetPrivateProfileStringA("DRIVERS", "access", "", 64, path_);
  EXPECT_EQ(access.Text(), "Microsoft Access Driver (*.mdb)");
  EXPECT_EQ(access.returned, 31u);
  EXPECT_EQ(access.buffer, "Microsoft Access Driver (*.mdb)"s + '\0');
  EXPECT_EQ(access.lastError, kProfileNoError);

  EXPECT_EQ(String("Drivers", "Excel", "none", 64), "none");  // the second [drivers] is ignored
  EXPECT_EQ(String("Drivers", "#Paradox", "", 64), "px");
  EXPECT_EQ(String("Drivers", ";Hidden", "d", 64), "d");

  ProfileResult cut = GetPrivateProfileStringA("Drivers", "dBase", "", 6, path_);
  EXPECT_EQ(cut.Text(), "dBASE");
  EXPECT_EQ(cut.returned, 5u);
  EXPECT_EQ(cut.lastError, kProfileMoreData);

  ProfileResult keys = GetPrivateProfileStringA("Drivers", nullptr, "", 64, path_);
  EXPECT_EQ(keys.buffer, "Access\0dBase\0#Paradox\0\0"s);
  EXPECT_EQ(keys.returned, 22u);

  ProfileResult section = GetPrivateProfileSectionA("Drivers", 200, path_);
  EXPECT_EQ(section.buffer,
            "Access=\"Microsoft Access Driver (*.mdb)\"\0dBase=dBASE Files\0#Paradox=px\0"
            "Loose line\0\0"s);
  EXPECT_EQ(section.returned, 82u);
}

TEST_F(ProfileFileTest, CrLfCrAndLfLineEndsReadAlike) {
  for (const std::string eol : {"\r\n", "\r", "\n"}) {
    path_ = Ini("[A]" + eol + "k=1" + eol + eol + "[B]" + eol + "k=2" + eol + "last=3");
    EXPECT_EQ(String("A", "k", ""), "1") << "line end " << ::testing::PrintToString(eol);
    EXPECT_EQ(String("B", "k", ""), "2");
    EXPECT_EQ(String("B", "last", ""), "3");  // no line end after the last line
    EXPECT_EQ(GetPrivateProfileSectionA("B", 64, path_).buffer, "k=2\0last=3\0\0"s);
  }
}

TEST_F(ProfileFileTest, SectionLinesEndAtTheFirstBracketAndEarlyLinesAreUnreachable) {
  path_ =
      Ini("early=1\n"
          "[]\n"
          "[ Spaced Name ]\n"
          "a=1\n"
          "[S]k=v\n"
          "b=2\n"
          "[Open\n"
          "c=3\n"
          "[X]]y]\n"
          "d=4\n");
  EXPECT_EQ(String("", "early", "def"), "def");
  EXPECT_EQ(String("Spaced Name", "a", ""), "1");
  EXPECT_EQ(String("S", "k", "lost"), "lost");  // what follows "]" is ignored
  EXPECT_EQ(String("S", "b", ""), "2");
  EXPECT_EQ(String("Open", "c", ""), "3");  // a line without "]" still opens a section
  EXPECT_EQ(String("X", "d", ""), "4");
  EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, "", 256, path_).buffer,
            "Spaced Name\0S\0Open\0X\0\0"s);
}

TEST_F(ProfileFileTest, OnlyTheFirstSectionAndTheFirstKeyOfANameCount) {
  path_ = Ini("[Dup]\nk=first\nk=second\n[Other]\nz=0\n[DUP]\nk=third\nonlylater=x\n");
  EXPECT_EQ(String("dup", "k", ""), "first");
  EXPECT_EQ(String("Dup", "onlylater", "missing"), "missing");
  EXPECT_EQ(GetPrivateProfileSectionA("Dup", 64, path_).buffer, "k=first\0k=second\0\0"s);
  // Duplicate key names are listed as often as they occur.
  EXPECT_EQ(GetPrivateProfileStringA("Dup", nullptr, "", 64, path_).buffer, "k\0k\0\0"s);
}

TEST_F(ProfileFileTest, CommentsAndNoInlineComments) {
  path_ = Ini("[S]\n;x=1\n   ;indented=2\na=b ;c\n#hash=3\n");
  EXPECT_EQ(String("S", ";x", "d"), "d");
  EXPECT_EQ(String("S", ";indented", "d"), "d");
  EXPECT_EQ(String("S", "a", ""), "b ;c");
  EXPECT_EQ(String("S", "#hash", ""), "3");
  // Comment lines are left out of a section and of the key listing.
  EXPECT_EQ(GetPrivateProfileSectionA("S", 64, path_).buffer, "a=b ;c\0#hash=3\0\0"s);
  EXPECT_EQ(GetPrivateProfileStringA("S", nullptr, "", 64, path_).buffer, "a\0#hash\0\0"s);
}

TEST_F(ProfileFileTest, OneOuterPairOfMatchingQuotesIsRemovedByGetStringOnly) {
  path_ =
      Ini("[Q]\n"
          "double=\"x\"\n"
          "single='y'\n"
          "mixed=\"z'\n"
          "nested=\"\"w\"\"\n"
          "blanks=\"  b  \"\n"
          "one=\"\n"
          "inner=a\"b\"\n");
  EXPECT_EQ(String("Q", "double", ""), "x");
  EXPECT_EQ(String("Q", "single", ""), "y");
  EXPECT_EQ(String("Q", "mixed", ""), "\"z'");
  EXPECT_EQ(String("Q", "nested", ""), "\"w\"");
  EXPECT_EQ(String("Q", "blanks", ""), "  b  ");
  EXPECT_EQ(String("Q", "one", ""), "\"");
  EXPECT_EQ(String("Q", "inner", ""), "a\"b\"");
  const std::string section = GetPrivateProfileSectionA("Q", 256, path_).Text();
  EXPECT_NE(section.find("double=\"x\"\0"s), std::string::npos);
}

TEST_F(ProfileFileTest, DefaultsAndArgumentBlanks) {
  path_ = Ini("[S]\nk = v \nnoequals\nempty=\n");
  EXPECT_EQ(String("S", "missing", nullptr), "");
  EXPECT_EQ(String("S", "missing", "  d  "), "  d");  // only trailing spaces go
  EXPECT_EQ(String("S", "missing", "d\t"), "d\t");
  EXPECT_EQ(String("Nope", "k", "dflt"), "dflt");
  EXPECT_EQ(String("  S  ", "  k  ", ""), "v");  // spaces around arguments are ignored...
  EXPECT_EQ(String("\tS", "k", "tab"), "tab");   // ...tabs are not
  EXPECT_EQ(String("S", "k\t", "tab"), "tab");
  EXPECT_EQ(String("S", "noequals", "dflt"), "dflt");  // a line without "=" has no value
  EXPECT_EQ(String("S", "empty", "dflt"), "");
  EXPECT_EQ(GetPrivateProfileStringA("S", nullptr, "", 64, path_).buffer, "k\0empty\0\0"s);
}

TEST_F(ProfileFileTest, MissingFileGivesDefaultsAndFileNotFound) {
  path_ = dir_.File("absent.ini");
  ProfileResult r = GetPrivateProfileStringA("S", "k", "fallback ", 64, path_);
  EXPECT_EQ(r.Text(), "fallback");
  EXPECT_EQ(r.lastError, kProfileFileNotFound);
  ProfileResult s = GetPrivateProfileSectionA("S", 64, path_);
  EXPECT_EQ(s.buffer, "\0\0"s);
  EXPECT_EQ(s.returned, 0u);
  EXPECT_EQ(s.lastError, kProfileFileNotFound);
  EXPECT_EQ(String("S", nullptr, "listdef"), "listdef");
  path_ = dir_.path();  // a folder is no profile file either
  EXPECT_EQ(String("S", "k", "dir", 64), "dir");
}

TEST_F(ProfileFileTest, StringBufferSizes) {
  path_ = Ini("[S]\nk=abcde\n");
  ProfileResult none = GetPrivateProfileStringA("S", "k", "", 0, path_);
  EXPECT_EQ(none.returned, 0u);
  EXPECT_EQ(none.buffer, "");
  ProfileResult one = GetPrivateProfileStringA("S", "k", "", 1, path_);
  EXPECT_EQ(one.returned, 0u);
  EXPECT_EQ(one.buffer, "\0"s);
  ProfileResult fits = GetPrivateProfileStringA("S", "k", "", 6, path_);  // 5 + NUL
  EXPECT_EQ(fits.Text(), "abcde");
  EXPECT_EQ(fits.returned, 5u);
  EXPECT_EQ(fits.lastError, kProfileNoError);
  ProfileResult cut = GetPrivateProfileStringA("S", "k", "", 5, path_);
  EXPECT_EQ(cut.Text(), "abcd");
  EXPECT_EQ(cut.returned, 4u);
  EXPECT_EQ(cut.lastError, kProfileMoreData);
  // The default is cut by the same rule.
  EXPECT_EQ(GetPrivateProfileStringA("S", "x", "defaultvalue", 4, path_).Text(), "def");
}

TEST_F(ProfileFileTest, SectionResultsAndTheirTruncation) {
  path_ = Ini("[section1]\nname1=val1\nname2=\nname3\nname4=val4\n[empty]\n[e2]\n=val5\n");
  ProfileResult whole = GetPrivateProfileSectionA("section1", 200, path_);
  EXPECT_EQ(whole.buffer, "name1=val1\0name2=\0name3\0name4=val4\0\0"s);
  EXPECT_EQ(whole.returned, 35u);

  ProfileResult cut = GetPrivateProfileSectionA("section1", 24, path_);
  EXPECT_EQ(cut.buffer, "name1=val1\0name2=\0name\0\0"s);
  EXPECT_EQ(cut.returned, 22u);
  EXPECT_EQ(cut.lastError, kProfileMoreData);

  // 36 characters are needed (35 and the final NUL), but only a buffer with one to spare
  // holds the whole section; 36 already cuts the last entry.
  EXPECT_EQ(GetPrivateProfileSectionA("section1", 37, path_).returned, 35u);
  EXPECT_EQ(GetPrivateProfileSectionA("section1", 36, path_).returned, 34u);
  EXPECT_EQ(GetPrivateProfileSectionA("section1", 35, path_).buffer,
            "name1=val1\0name2=\0name3\0name4=val\0\0"s);

  ProfileResult empty = GetPrivateProfileSectionA("empty", 200, path_);
  EXPECT_EQ(empty.buffer, "\0\0"s);
  EXPECT_EQ(empty.returned, 0u);
  EXPECT_EQ(GetPrivateProfileSectionA("absent", 200, path_).buffer, "\0\0"s);
  EXPECT_EQ(GetPrivateProfileSectionA("e2", 200, path_).buffer, "=val5\0\0"s);
  EXPECT_EQ(GetPrivateProfileSectionA("section1", 1, path_).buffer, "\0"s);
  EXPECT_EQ(GetPrivateProfileSectionA("section1", 0, path_).buffer, "");
}

TEST_F(ProfileFileTest, KeyListTruncationEndsInTwoNuls) {
  path_ = Ini("[S]\nalpha=1\nbeta=2\n");
  ProfileResult cut = GetPrivateProfileStringA("S", nullptr, "", 9, path_);
  EXPECT_EQ(cut.buffer, "alpha\0b\0\0"s);
  EXPECT_EQ(cut.returned, 7u);
  EXPECT_EQ(GetPrivateProfileStringA("S", nullptr, "", 1, path_).returned, 0u);
  ProfileResult fits = GetPrivateProfileStringA("S", nullptr, "", 13, path_);
  EXPECT_EQ(fits.buffer, "alpha\0beta\0\0"s);
  EXPECT_EQ(fits.returned, 11u);
  EXPECT_EQ(GetPrivateProfileStringA("S", nullptr, "", 12, path_).returned, 10u);  // just fits
}

// Results that the platform's own profile tests settle, each with the file, the call and what
// the caller's buffer holds afterwards.
TEST_F(ProfileFileTest, ResultsSettledByThePlatformsTests) {
  const std::string kThree = "[section1]\r\n[section2]\r\n[section3]\r\n";
  const std::string kWithNul = "[section1]\r\nname1=val1\r\n[section3]\r\n=val5\r\n"s + '\0';
  struct Case {
    const char* what;
    std::string file;  // "" for a missing file
    std::function<ProfileResult(const std::string&)> call;
    std::string buffer;
    uint32_t returned;
    uint32_t lastError;
  };
  const Case cases[] = {
      {"section names that exactly fit are cut", kThree,
       [](const std::string& f) { return GetPrivateProfileStringA(nullptr, nullptr, "", 28, f); },
       "section1\0section2\0section3\0\0"s, 26, kProfileMoreData},
      {"section names with one to spare", kThree,
       [](const std::string& f) { return GetPrivateProfileStringA(nullptr, nullptr, "", 29, f); },
       "section1\0section2\0section3\0\0"s, 27, kProfileNoError},
      {"no section names in a missing file: one NUL", "",
       [](const std::string& f) { return GetPrivateProfileStringA(nullptr, nullptr, "", 8, f); },
       "\0"s, 0, kProfileFileNotFound},
      {"a NUL after the last line is no entry", kWithNul,
       [](const std::string& f) { return GetPrivateProfileSectionA("section3", 64, f); },
       "=val5\0\0"s, 6, kProfileNoError},
      {"a null section name is refused and nothing is written", kWithNul,
       [](const std::string& f) { return GetPrivateProfileSectionA(nullptr, 64, f); }, "", 0,
       kProfileInvalidParameter},
      {"a UTF-8 byte-order mark is not part of the first section", "\xEF\xBB\xBF" + kThree,
       [](const std::string& f) { return GetPrivateProfileStringA(nullptr, nullptr, "", 64, f); },
       "section1\0section2\0section3\0\0"s, 27, kProfileNoError},
      {"Windows-1252 text comes back as UTF-8", "[S]\nk=caf\xE9 \x80\n",
       [](const std::string& f) { return GetPrivateProfileStringA("S", "k", "", 64, f); },
       "caf\xC3\xA9 \xE2\x82\xAC\0"s, 9, kProfileNoError},
      {"an empty section name is a section", "[]\nk=v\n",
       [](const std::string& f) { return GetPrivateProfileSectionA("", 64, f); }, "k=v\0\0"s, 4,
       kProfileNoError},
  };
  for (const Case& c : cases) {
    path_ = c.file.empty() ? dir_.File("missing.ini") : Ini(c.file);
    const ProfileResult r = c.call(path_);
    EXPECT_EQ(r.buffer, c.buffer) << c.what;
    EXPECT_EQ(r.returned, c.returned) << c.what;
    EXPECT_EQ(r.lastError, c.lastError) << c.what;
  }
}

TEST_F(ProfileFileTest, BackslashesInThePathAreFolderSeparators) {
  Ini("[S]\nk=found\n");
  path_ = dir_.path() + "\\test.ini";
  EXPECT_EQ(String("S", "k", ""), "found");
  EXPECT_EQ(ProfileFileSystemPath("/opt/lumora\\lumora.ini"), "/opt/lumora/lumora.ini");
}

// A parsed file is kept while it stays the same; a change of the same size within the same
// clock tick is still seen.
TEST_F(ProfileFileTest, FileChangesAreSeenOnTheNextCall) {
  path_ = Ini("[S]\nk=1\n");
  for (const char* value : {"1", "2", "3"}) {
    Ini("[S]\nk="s + value + "\n");
    EXPECT_EQ(String("S", "k", ""), value);
    EXPECT_EQ(String("S", "k", ""), value);
  }
  const std::string other = dir_.File("other.ini");
  dir_.Write("other.ini", "[S]\nk=other\n");
  EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", 64, other).Text(), "other");
  EXPECT_EQ(String("S", "k", ""), "3");
}

}  // namespace
}  // namespace lumora
