#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace lumora::fuzz {
namespace {

void RemoveTempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(TempFolder(), ignored);
}

}  // namespace

const std::string& TempFolder() {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/lumora-fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("lumora fuzz: cannot create a temporary folder");
      std::abort();
    }
    return pattern;
  }();
  static const bool registered = (std::atexit(RemoveTempFolder), true);
  (void)registered;
  return folder;
}

std::string WriteTempFile(const std::string& name, std::string_view bytes) {
  const std::string path = TempFolder() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  Check(static_cast<bool>(out), "cannot write the input to the temporary folder");
  return path;
}

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "lumora fuzz: broken promise: %s\n", what);
  std::abort();
}

bool NamesFileAndLine(std::string_view message, std::string_view prefix) {
  if (!message.starts_with(prefix) || message.size() <= prefix.size() ||
      message[prefix.size()] != ':') {
    return false;
  }
  const size_t digits = prefix.size() + 1;
  return digits < message.size() && message[digits] >= '0' && message[digits] <= '9';
}

}  // namespace lumora::fuzz
