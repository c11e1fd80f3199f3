// The host's path helper.
#pragma once

#include <string>

namespace lumora {

class PathHelper {
 public:
  virtual ~PathHelper() = default;
  // `path` ending in exactly one trailing separator: a backslash is appended unless the path
  // already ends in "\" or "/"; an empty path stays empty.
  virtual std::string AddBackslash(const std::string& path) = 0;
};

}  // namespace lumora
