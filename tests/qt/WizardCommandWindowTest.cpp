// `lumora wizard OBJECT` without --script: the window when a display can be reached, else a
// message that says what to do, exit status 2 and the object untouched.
#include <gtest/gtest.h>

#include <string>

#include "platform/qt/WindowRenderer.h"
#include "support/RunProcess.h"
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

TEST(WizardCommandWindow, shouldSayWhatToDoAndWriteNothingWhenNoDisplayIsAvailable) {
  Environment env;
  env.Set("QT_QPA_PLATFORM", "offscreen");
  testing::TempDir dir;
  const std::string object = R"({ "properties": { "Drivers": ["SQL Server"],
      "DriversInfo": [""], "DriversSelections": [true] } })";
  dir.Write("object.json", object);
  const testing::ProcessResult result = testing::RunProcess(
      testing::BinDir() + "/lumora", {"wizard", dir.File("object.json"), "--registry", "none"});
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_NE(result.err.find("cannot open the wizard window"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("--script FILE"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("xvfb-run"), std::string::npos) << result.err;
  EXPECT_EQ(testing::ReadFile(dir.File("object.json")), object);
}

}  // namespace
}  // namespace lumora::forms
