// The host's path helper.
#pragma once

#include <string>

namespace lumora {

class PathHelper {
 public:
  virtual ~PathHelper() = default;
  // `path` ending in a separator: unless it already ends in a backslash or a slash, a backslash
  // is appended, or a slash when the path is one of this machine's (it holds "/" and no
  // backslash), so that both a Windows folder and a local folder come out usable. "" stays "".
  virtual std::string AddBackslash(const std::string& path) = 0;
};

}  // namespace lumora
