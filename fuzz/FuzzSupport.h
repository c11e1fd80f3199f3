// What the fuzz targets share: a private temporary folder for inputs that must be files (made
// once per process, removed at exit; the targets write nowhere else), and a check that stops the
// run with a message when a parser breaks one of its promises. A broken promise is a finding,
// just as a sanitizer report or an exception the parser does not declare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumora::fuzz {

// The folder, under $TMPDIR (or /tmp), that belongs to this process.
const std::string& TempFolder();

// Writes `bytes` to `name` inside TempFolder() (replacing it) and returns the full path.
std::string WriteTempFile(const std::string& name, std::string_view bytes);

// Aborts with `what` on stderr unless `condition` holds.
void Check(bool condition, const char* what);

// The input as text.
inline std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// True when `message` starts with "PREFIX:N" (N one or more digits), as every parser error in
// this system names its file and line.
bool NamesFileAndLine(std::string_view message, std::string_view prefix);

}  // namespace lumora::fuzz
