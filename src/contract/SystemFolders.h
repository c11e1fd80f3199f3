// The well-known Windows folders as the host reports them, each ending in a backslash.
#pragma once

#include <string>

namespace lumora {

class SystemFolders {
 public:
  virtual ~SystemFolders() = default;
  virtual std::string SystemFolder() = 0;
  virtual std::string WindowsFolder() = 0;
  virtual std::string CommonFilesSystemFolder() = 0;
  virtual std::string CommonFilesFolder() = 0;
  virtual std::string ProgramFilesFolder() = 0;
  virtual std::string DaoFolder() = 0;
};

}  // namespace lumora
