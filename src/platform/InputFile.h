// Reading a whole input file the author named (a design object, a script, a settings file):
// anything but a regular file is refused by name, and so is a file too large to be one, so a
// device such as /dev/zero or a folder can never be read until memory runs out.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace lumora {

// An input that cannot be read; what() is "PATH: the WHAT ...: reason".
class InputFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The largest input read whole.
constexpr size_t kMaxInputFileBytes = size_t{256} << 20;

// The bytes of the regular file `path`; `what` names it in messages ("design object").
std::string ReadInputFile(const std::string& path, const std::string& what);

}  // namespace lumora
