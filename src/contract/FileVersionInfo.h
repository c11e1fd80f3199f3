// The host's file-version reader: Load a file (a Windows path, mapped by the host), then
// GetVersion gives its version. A missing or unreadable file, or one without a version
// resource, gives an empty version text; nothing fails.
#pragma once

#include <string>

namespace lumora {

struct FileVersion {
  std::string text;         // first result: the file-version text ("4.0.6019.0"), or ""
  std::string productText;  // second result: the product-version text, or ""
};

class FileVersionInfo {
 public:
  virtual ~FileVersionInfo() = default;
  virtual bool Load(const std::string& path) = 0;  // true when a version resource was found
  virtual FileVersion GetVersion() = 0;
};

}  // namespace lumora
