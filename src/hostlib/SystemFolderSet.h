// The six folders a host reports (each ending in a backslash), with the usual Windows defaults,
// and the SystemFolders object that answers from such a set. The host configuration fills one;
// test hosts build their own.
#pragma once

#include <string>
#include <utility>

#include "contract/SystemFolders.h"

namespace lumora {

struct FolderSet {
  std::string system = "C:\\Windows\\System32\\";
  std::string windows = "C:\\Windows\\";
  std::string commonFilesSystem = "C:\\Program Files\\Common Files\\System\\";
  std::string commonFiles = "C:\\Program Files\\Common Files\\";
  std::string programFiles = "C:\\Program Files\\";
  std::string dao = "C:\\Program Files\\Common Files\\Microsoft Shared\\DAO\\";
};

class FixedSystemFolders : public SystemFolders {
 public:
  explicit FixedSystemFolders(FolderSet folders) : f_(std::move(folders)) {}
  std::string SystemFolder() override { return f_.system; }
  std::string WindowsFolder() override { return f_.windows; }
  std::string CommonFilesSystemFolder() override { return f_.commonFilesSystem; }
  std::string CommonFilesFolder() override { return f_.commonFiles; }
  std::string ProgramFilesFolder() override { return f_.programFiles; }
  std::string DaoFolder() override { return f_.dao; }

 private:
  FolderSet f_;
};

}  // namespace lumora
