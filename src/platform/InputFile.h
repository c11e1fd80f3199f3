// Reading an input file the author named (a design object, a script, a registry export, a
// settings file) whole, with the reason when it cannot be: a folder, a device, a pipe or a socket
// is refused by name, as is a file larger than the bound, so nothing such as /dev/zero is ever
// read until memory runs out. An input that is read once from start to end (a script) may also
// come from a pipe: a FIFO or a shell's process substitution, still within the bound.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "contract/HostError.h"

namespace lumora {

// The bound on every input file read whole.
inline constexpr uint64_t kMaxInputFileBytes = 256u << 20;

// Whether a pipe (FIFO, process substitution) is read as the input or refused.
enum class Pipes { Refused, Read };

// The bytes of the regular file at `path` (or of the pipe, with Pipes::Read: read until its
// writer closes it). `what` names the input in messages ("registry export"); a missing file is
// refused with "No such file or directory". A refusal is a HostError of bad input reading
// "PATH: WHAT: REASON" ("hosts.ini: host configuration: is a directory").
std::string ReadInputFile(const std::string& path, const std::string& what,
                          Pipes pipes = Pipes::Refused);
// The same, but a missing file gives nullopt.
std::optional<std::string> ReadInputFileIfPresent(const std::string& path, const std::string& what,
                                                  Pipes pipes = Pipes::Refused);
// Refuses a standard input that cannot be read as a stream of text (a folder), naming it
// `name` ("<stdin>: script: is a directory").
void CheckStandardInput(const std::string& name, const std::string& what);

}  // namespace lumora
