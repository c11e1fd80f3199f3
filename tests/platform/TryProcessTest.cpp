// The try program's run as a child: here the caller's Cancel (the wizard's Test button), which
// stops it at once. Its timeout, the overall deadline, a crash and a flood of standard error are
// played with real drivers in tests/e2e/CheckCommandTest.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/odbc/TryProcess.h"
#include "support/Platform.h"

namespace lumora::odbc {
namespace {

TEST(TryProcess, ACancelStopsTheProgramBeforeItsTimeout) {
  SKIP_IN_WINDOWS_BUILD("the program stopped here is a POSIX shell");
  std::atomic<bool> cancel{false};
  TrySettings settings;
  settings.timeoutSeconds = 5;
  settings.cancel = &cancel;
  std::thread user([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    cancel = true;
  });
  const auto start = std::chrono::steady_clock::now();
  const TryRun run = RunTryProgram("/bin/sh", {"-c", "sleep 30"}, "", settings);
  user.join();
  EXPECT_TRUE(run.started) << run.problem;
  EXPECT_TRUE(run.cancelled);
  EXPECT_FALSE(run.late);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
}

}  // namespace
}  // namespace lumora::odbc
