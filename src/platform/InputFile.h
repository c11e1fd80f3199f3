// Reading an input file whole, with the reason when it cannot be: a folder, a device, a pipe or
// a socket is refused by name, as is a file larger than the bound.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

namespace lumora {

// The bound on every input file read whole.
inline constexpr uint64_t kMaxInputFileBytes = 256u << 20;

// What() reads "PATH: WHAT: REASON" ("hosts.ini: host configuration: is a directory").
class InputFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class IfMissing { kRefuse, kAbsent };

// The bytes of the regular file at `path`. `what` names the input in messages ("registry
// export"). A missing file throws with "No such file or directory", or gives nullopt with
// IfMissing::kAbsent; anything else that cannot be read throws with the reason.
std::optional<std::string> ReadInputFile(const std::string& path, const std::string& what,
                                         IfMissing missing = IfMissing::kRefuse);

}  // namespace lumora
