// Whether the wizard's window can be opened: a display to reach, else the reason why not (the
// message of `lumora wizard` without --script is checked with the command's other tests).
#include <gtest/gtest.h>

#include <string>

#include "platform/qt/WindowRenderer.h"
#include "support/ScopedEnv.h"

namespace lumora::forms {
namespace {

using Environment = testing::ScopedEnv;

TEST(DisplayAvailable, shouldSayWhichDisplayIsMissing) {
  Environment env;
  std::string why;
  env.Set("QT_QPA_PLATFORM", "offscreen");
  EXPECT_FALSE(DisplayAvailable(&why));
  EXPECT_NE(why.find("\"offscreen\""), std::string::npos) << why;

  env.Set("QT_QPA_PLATFORM", nullptr);
  env.Set("WAYLAND_DISPLAY", nullptr);
  env.Set("DISPLAY", nullptr);
  EXPECT_FALSE(DisplayAvailable(&why));
  EXPECT_NE(why.find("neither DISPLAY nor WAYLAND_DISPLAY"), std::string::npos) << why;

  env.Set("DISPLAY", ":32123");
  EXPECT_FALSE(DisplayAvailable(&why));
  EXPECT_NE(why.find(":32123"), std::string::npos) << why;

  env.Set("WAYLAND_DISPLAY", "wayland-0");
  EXPECT_TRUE(DisplayAvailable());
  env.Set("WAYLAND_DISPLAY", nullptr);
  env.Set("QT_QPA_PLATFORM", "vnc:size=800x600");  // a platform of the person's choosing
  EXPECT_TRUE(DisplayAvailable());
}

}  // namespace
}  // namespace lumora::forms
