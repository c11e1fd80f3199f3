// A host setting that cannot be used: a registry export or host-configuration file that is
// missing or malformed. what() names the file and, where there is one, the line
// ("regs/user.reg:12: ..."). The command-line host prints it and stops before doing anything.
#pragma once

#include <stdexcept>
#include <string>

namespace lumora {

class HostSetupError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace lumora
