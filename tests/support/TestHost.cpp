#include "support/TestHost.h"

namespace lumora::testing {

std::vector<std::string> TestHost::procedures() const {
  std::vector<std::string> out;
  for (const ReportedError& r : reports()) out.push_back(r.procedure);
  return out;
}

}  // namespace lumora::testing
