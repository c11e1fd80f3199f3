// A host library for tests whose every object comes from a replaceable factory. By default
// error reports are recorded in `reports`, the system folders are the usual Windows ones,
// PathHelper and FieldParser behave as the real ones, and the machine is bare: the registry
// has no keys, no profile file has a list, and no file has a version.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/contract/HostLibrary.h"
#include "hostlib/memory/RecordingErrorReport.h"

namespace lumora {

struct FolderSet {
  std::string system = "C:\\Windows\\System32\\";
  std::string windows = "C:\\Windows\\";
  std::string commonFilesSystem = "C:\\Program Files\\Common Files\\System\\";
  std::string commonFiles = "C:\\Program Files\\Common Files\\";
  std::string programFiles = "C:\\Program Files\\";
  std::string dao = "C:\\Program Files\\Common Files\\Microsoft Shared\\DAO\\";
};

class ConfigurableHostLibrary : public HostLibrary {
 public:
  ConfigurableHostLibrary();

  ReportLog reports = std::make_shared<std::vector<ReportedError>>();
  FolderSet folders;
  int newErrorReportCalls = 0;

  std::function<std::shared_ptr<RegistryKey>()> registryKey;
  std::function<std::unique_ptr<RegistryConstants>()> registryConstants;
  std::function<std::unique_ptr<IniFile>()> iniFile;
  std::function<std::unique_ptr<FileVersionInfo>()> fileVersionInfo;
  std::function<std::unique_ptr<SystemFolders>()> systemFolders;  // default: `folders`
  std::function<std::unique_ptr<FieldParser>()> fieldParser;      // default: the simple parser

  std::unique_ptr<ErrorReport> NewErrorReport() override;
  std::shared_ptr<RegistryKey> NewRegistryKey() override;
  std::unique_ptr<RegistryConstants> NewRegistryConstants() override;
  std::unique_ptr<IniFile> NewIniFile() override;
  std::unique_ptr<SystemFolders> NewSystemFolders() override;
  std::unique_ptr<PathHelper> NewPathHelper() override;
  std::unique_ptr<FileVersionInfo> NewFileVersionInfo() override;
  std::unique_ptr<FieldParser> NewFieldParser() override;
};

// The system folders of a FolderSet.
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
