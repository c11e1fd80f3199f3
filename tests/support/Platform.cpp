#include "support/Platform.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>

#include "support/ScopedEnv.h"

namespace lumora::testing {

bool UnderWine() {
  return false;  // a POSIX build runs natively
}

bool WindowsBuild() {
  return false;
}

bool SetModifiedAhead(const std::string& path, int seconds) {
  timespec ahead{};
  ::clock_gettime(CLOCK_REALTIME, &ahead);
  ahead.tv_sec += seconds;
  const timespec times[2] = {ahead, ahead};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

void SetEnvironment(const std::string& name, const char* value) {
  value != nullptr ? ::setenv(name.c_str(), value, 1) : ::unsetenv(name.c_str());
}

}  // namespace lumora::testing
