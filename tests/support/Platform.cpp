#include "support/Platform.h"

#include <cstdlib>

#include "support/ScopedEnv.h"

namespace lumora::testing {

bool UnderWine() {
  return false;  // a POSIX build runs natively
}

bool WindowsBuild() {
  return false;
}

void SetEnvironment(const std::string& name, const char* value) {
  value != nullptr ? ::setenv(name.c_str(), value, 1) : ::unsetenv(name.c_str());
}

}  // namespace lumora::testing
