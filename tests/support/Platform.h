// What the tests run on, where a platform answers differently and the tests name the difference
// rather than hide it: Wine's own implementation of a Windows function beside Windows' result.
#pragma once

#include <string>

namespace lumora::testing {

// True when the test runs as a Windows program under Wine.
bool UnderWine();
// True in the Windows build, where the system serves what the POSIX build stands in for (paths
// of Windows mapped to local files, file modes): tests of those stand-ins skip there.
bool WindowsBuild();
// Sets the file's modification time to the clock plus `seconds`; false when it cannot.
bool SetModifiedAhead(const std::string& path, int seconds);

#define SKIP_IN_WINDOWS_BUILD(why) \
  if (::lumora::testing::WindowsBuild()) GTEST_SKIP() << (why)

}  // namespace lumora::testing
