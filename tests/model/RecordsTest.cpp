// The item records: initial values and the user/system rule of a data source.
#include <gtest/gtest.h>

#include "model/Collections.h"

namespace lumora {
namespace {

TEST(Records, NewRecordsStartEmptyAndUnflagged) {
  Driver d;
  EXPECT_EQ(d.Name(), "");
  EXPECT_EQ(d.AttribsString(), "");
  EXPECT_FALSE(d.Selected() || d.ObjectProvided() || d.DTDBDriver());
  Translator t;
  EXPECT_FALSE(t.Selected() || t.ObjectProvided());
  DataSource s;
  EXPECT_TRUE(s.UserDSN());
  EXPECT_FALSE(s.SystemDSN() || s.Selected() || s.Uninstall());
}

TEST(Records, UserAndSystemAreNeverBothTrue) {
  DataSource s;
  s.SetSystemDSN(true);
  EXPECT_FALSE(s.UserDSN());
  s.SetSystemDSN(false);
  EXPECT_FALSE(s.UserDSN()) << "clearing one flag leaves the other as it is";
  EXPECT_FALSE(s.SystemDSN());
  s.SetUserDSN(true);
  EXPECT_TRUE(s.UserDSN());
  EXPECT_FALSE(s.SystemDSN());
  s.SetUserDSN(false);
  EXPECT_FALSE(s.UserDSN() || s.SystemDSN());
}

TEST(Records, AttributeTextIsKeptVerbatim) {
  Driver d;
  const std::string text = "Driver=x\r\n\r\nno equals sign\r\nDriver=y\r\n";
  d.SetAttribsString(text);
  EXPECT_EQ(d.AttribsString(), text);
}

}  // namespace
}  // namespace lumora
