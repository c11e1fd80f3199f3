// The INI list helper: how it counts the slots of a numbered list section.
#include <gtest/gtest.h>

#include "contract/Failure.h"
#include "hostlib/LocalHostLibrary.h"
#include "hostlib/ProfileIniFile.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::TempDir;

struct Count {
  bool found = false;
  int16_t count = -1;
  std::string value;
};

class ProfileIniFileTest : public ::testing::Test {
 protected:
  Count Find(const std::string& content, const std::string& section = "Drivers",
             const std::string& stem = "Driver") {
    dir_.Write("lumora.ini", content);
    return FindIn(dir_.File("lumora.ini"), section, stem);
  }
  Count FindIn(const std::string& file, const std::string& section, const std::string& stem) {
    Count c;
    c.value = std::string(255, ' ');
    c.found = ProfileIniFile().FindIniFileEntry(file, section, stem, c.value, c.count);
    return c;
  }
  TempDir dir_;
};

TEST_F(ProfileIniFileTest, CountIsOneMoreThanTheHighestSlotWhateverTheGaps) {
  Count c = Find("[Drivers]\nDriver0=A\nDriver5=F\nDriver2=C\n");
  EXPECT_TRUE(c.found);
  EXPECT_EQ(c.count, 6);
  EXPECT_EQ(c.value, "F");
  EXPECT_EQ(Find("[Drivers]\nDriver3=only\n").count, 4);
  EXPECT_EQ(Find("[Drivers]\nDriver0=NONE\n").count, 1);  // unused slots still count
}

TEST_F(ProfileIniFileTest, OnlyTheStemFollowedByPlainDigitsIsASlot) {
  Count c = Find(
      "[Drivers]\nDriver07=x\nDriver 9=x\nDriverX=x\nDriver=x\nDriver-4=x\nDriver3a=x\n"
      "Drivers8=x\nMyDriver6=x\n;Driver9=comment\nDriver11\nDriver1=y\n");
  EXPECT_EQ(c.count, 2);  // only Driver1: a line without "=" is no key
  EXPECT_EQ(c.value, "y");
  Count none = Find("[Drivers]\nDriver01=x\nDriver=y\n");
  EXPECT_FALSE(none.found);
  EXPECT_EQ(none.count, 0);
  EXPECT_EQ(Find("[Drivers]\nDriver10=x\n").count, 11);
}

TEST_F(ProfileIniFileTest, StemAndSectionMatchIgnoringCase) {
  EXPECT_EQ(Find("[DRIVERS]\nDRIVER3=x\ndriver4=y\n", "drivers", "Driver").count, 5);
  EXPECT_EQ(Find("[Translators]\nTRANSLATOR0=t\n", "Translators", "translator").count, 1);
}

TEST_F(ProfileIniFileTest, OnlyTheFirstSectionOfANameIsCounted) {
  EXPECT_EQ(Find("[Drivers]\nDriver1=a\n[Other]\nDriver9=z\n[drivers]\nDriver7=b\n").count, 2);
}

TEST_F(ProfileIniFileTest, MissingFileOrSectionCountsZero) {
  Count missing = FindIn(dir_.File("absent.ini"), "Drivers", "Driver");
  EXPECT_FALSE(missing.found);
  EXPECT_EQ(missing.count, 0);
  EXPECT_EQ(Find("[Other]\nDriver4=x\n").count, 0);
  EXPECT_EQ(Find("[Drivers]\n").count, 0);
}

TEST_F(ProfileIniFileTest, CountPassing32767FailsWithOverflow) {
  EXPECT_EQ(Find("[Drivers]\nDriver32766=x\n").count, 32767);
  for (const char* key : {"Driver32767", "Driver99999999999999999999"}) {
    try {
      Find(std::string("[Drivers]\n") + key + "=x\n");
      ADD_FAILURE() << key << " did not fail";
    } catch (const Failure& f) {
      EXPECT_EQ(f.number(), kOverflow) << key;
    }
  }
}

TEST_F(ProfileIniFileTest, LongListsAreReadWhole) {
  std::string content = "[Drivers]\n";
  for (int i = 0; i < 2000; ++i) content += "Driver" + std::to_string(i) + "=x\n";
  content += "Driver2500=" + std::string(3000, 'v') + "\n";
  Count c = Find(content);
  EXPECT_EQ(c.count, 2501);
  EXPECT_EQ(c.value, std::string(3000, 'v'));
}

TEST_F(ProfileIniFileTest, LocalHostLibraryMakesTheProfileHelper) {
  dir_.Write("lumora.ini", "[Drivers]\nDriver1=x\n");
  LocalHostLibrary host(HostSettings{dir_.path()});
  std::string value;
  int16_t count = 0;
  EXPECT_TRUE(host.NewIniFile()->FindIniFileEntry(dir_.path() + "\\lumora.ini", "Drivers", "Driver",
                                                  value, count));
  EXPECT_EQ(count, 2);
}

}  // namespace
}  // namespace lumora
