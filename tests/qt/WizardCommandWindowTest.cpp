// Whether the wizard's window can be opened: a display to reach, else the reason why not (the
// message of `lumora wizard` without --script is checked with the command's other tests).
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/qt/WindowRenderer.h"
#include "support/ScopedEnv.h"

namespace lumora::forms {
namespace {

TEST(DisplayAvailable, shouldSayWhichDisplayIsMissing) {
  // QT_QPA_PLATFORM, DISPLAY, WAYLAND_DISPLAY, part of the reason none can be reached ("": one can)
  const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
      {"offscreen", nullptr, nullptr, "\"offscreen\""},
      {nullptr, nullptr, nullptr, "neither DISPLAY nor WAYLAND_DISPLAY"},
      {nullptr, ":32123", nullptr, ":32123"},
      {nullptr, ":32123", "wayland-0", ""},
      {"vnc:size=800x600", ":32123", nullptr, ""},  // a platform of the person's choosing
  };
  for (const auto& [platform, display, wayland, reason] : cases) {
    testing::ScopedEnv env;
    env.Set("QT_QPA_PLATFORM", platform);
    env.Set("DISPLAY", display);
    env.Set("WAYLAND_DISPLAY", wayland);
    std::string why;
    EXPECT_EQ(DisplayAvailable(&why), *reason == '\0') << reason << ": " << why;
    EXPECT_NE(why.find(reason), std::string::npos) << why;
  }
}

}  // namespace
}  // namespace lumora::forms
