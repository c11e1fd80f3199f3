// Whether the wizard's window can be opened: a display to reach, else the reason why not (the
// message of `lumora wizard` without --script is checked with the command's other tests).
#include <gtest/gtest.h>

#include <string>

#include "platform/qt/WindowRenderer.h"
#include "support/ScopedEnv.h"

namespace lumora::forms {
namespace {

TEST(DisplayAvailable, shouldSayWhichDisplayIsMissing) {
  const struct {
    const char *platform, *display, *wayland;
    const char* why;  // part of the reason none can be reached; "": one can
  } cases[] = {
      {"offscreen", nullptr, nullptr, "\"offscreen\""},
      {nullptr, nullptr, nullptr, "neither DISPLAY nor WAYLAND_DISPLAY"},
      {nullptr, ":32123", nullptr, ":32123"},
      {nullptr, ":32123", "wayland-0", ""},
      {"vnc:size=800x600", ":32123", nullptr, ""},  // a platform of the person's choosing
  };
  for (const auto& c : cases) {
    testing::ScopedEnv env;
    env.Set("QT_QPA_PLATFORM", c.platform);
    env.Set("DISPLAY", c.display);
    env.Set("WAYLAND_DISPLAY", c.wayland);
    std::string why;
    EXPECT_EQ(DisplayAvailable(&why), *c.why == '\0') << c.why << ": " << why;
    EXPECT_NE(why.find(c.why), std::string::npos) << why;
  }
}

}  // namespace
}  // namespace lumora::forms
