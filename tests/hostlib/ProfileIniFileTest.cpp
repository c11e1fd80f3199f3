// The INI list helper: how it counts the slots of a numbered list section.
#include <gtest/gtest.h>

#include "hostlib/ProfileIniFile.h"
#include "support/Outcome.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

TEST(ProfileIniFile, CountsOneMoreThanTheHighestSlotOfThePlainStemInTheFirstSection) {
  std::string longList = "[Drivers]\n";
  for (int i = 0; i < 2000; ++i) longList += "Driver" + std::to_string(i) + "=x\n";
  longList += "Driver2500=" + std::string(3000, 'v') + "\n";
  const struct {
    std::string content, section, stem;
    bool found;
    int16_t count;
    std::string value;  // the highest slot's value; "-" when not checked
  } cases[] = {
      {"[Drivers]\nDriver0=A\nDriver5=F\nDriver2=C\n", "Drivers", "Driver", true, 6, "F"},
      {"[Drivers]\nDriver0=NONE\n", "Drivers", "Driver", true, 1, "NONE"},
      {"[Drivers]\nDriver10=x\n", "Drivers", "Driver", true, 11, "x"},
      // Only the stem followed by plain digits is a slot; a line without "=" is no key.
      {"[Drivers]\nDriver07=x\nDriver 9=x\nDriverX=x\nDriver=x\nDriver-4=x\nDriver3a=x\n"
       "Drivers8=x\nMyDriver6=x\n;Driver9=comment\nDriver11\nDriver1=y\n",
       "Drivers", "Driver", true, 2, "y"},
      {"[Drivers]\nDriver01=x\nDriver=y\n", "Drivers", "Driver", false, 0, "-"},
      {"[DRIVERS]\nDRIVER3=x\ndriver4=y\n", "drivers", "Driver", true, 5, "y"},
      {"[Drivers]\nDriver1=a\n[Other]\nDriver9=z\n[drivers]\nDriver7=b\n", "Drivers", "Driver",
       true, 2, "a"},
      {"[Other]\nDriver4=x\n", "Drivers", "Driver", false, 0, "-"},
      {"[Drivers]\nDriver32766=x\n", "Drivers", "Driver", true, 32767, "x"},
      {longList, "Drivers", "Driver", true, 2501, std::string(3000, 'v')},
  };
  testing::TempDir dir;
  for (const auto& c : cases) {
    dir.Write("lumora.ini", c.content);
    std::string value(255, ' ');
    int16_t count = -1;
    EXPECT_EQ(
        ProfileIniFile().FindIniFileEntry(dir.File("lumora.ini"), c.section, c.stem, value, count),
        c.found)
        << c.content.substr(0, 80);
    EXPECT_EQ(count, c.count) << c.content.substr(0, 80);
    if (c.value != "-") {
      EXPECT_EQ(value, c.value) << c.content.substr(0, 80);
    }
  }
  std::string value;
  int16_t count = -1;
  EXPECT_FALSE(
      ProfileIniFile().FindIniFileEntry(dir.File("absent.ini"), "Drivers", "Driver", value, count));
  EXPECT_EQ(count, 0);
  // A slot past 16 bits overflows (Driver32767 in CatalogueTest.CountOverflow...).
  dir.Write("lumora.ini", "[Drivers]\nDriver99999999999999999999=x\n");
  EXPECT_EQ(testing::FailureNumberOf([&] {
              ProfileIniFile().FindIniFileEntry(dir.File("lumora.ini"), "Drivers", "Driver", value,
                                                count);
            }),
            kOverflow);
}

}  // namespace
}  // namespace lumora
