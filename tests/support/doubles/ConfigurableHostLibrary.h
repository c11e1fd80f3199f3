// A host library for tests whose every object comes from a replaceable factory. By default
// error reports are recorded in `reports`, the system folders are the usual Windows ones,
// PathHelper and FieldParser behave as the real ones, and the machine is bare: the registry
// has no keys, no profile file has a list, and no file has a version.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "contract/HostLibrary.h"
#include "hostlib/SystemFolderSet.h"

namespace lumora {

struct ReportedError {
  int32_t number = 0;
  std::string description;
  std::string source;
  std::string procedure;
};

using ReportLog = std::shared_ptr<std::vector<ReportedError>>;

class ConfigurableHostLibrary : public HostLibrary {
 public:
  ReportLog reports = std::make_shared<std::vector<ReportedError>>();
  FolderSet folders;
  int newErrorReportCalls = 0;

  std::function<std::shared_ptr<RegistryKey>()> registryKey;
  std::function<std::unique_ptr<RegistryConstants>()> registryConstants;
  std::function<std::unique_ptr<IniFile>()> iniFile;
  std::function<std::unique_ptr<FileVersionInfo>()> fileVersionInfo;
  std::function<std::unique_ptr<SystemFolders>()> systemFolders;  // default: `folders`

  std::unique_ptr<ErrorReport> NewErrorReport() override;
  std::shared_ptr<RegistryKey> NewRegistryKey() override;
  std::unique_ptr<RegistryConstants> NewRegistryConstants() override;
  std::unique_ptr<IniFile> NewIniFile() override;
  std::unique_ptr<SystemFolders> NewSystemFolders() override;
  std::unique_ptr<PathHelper> NewPathHelper() override;
  std::unique_ptr<FileVersionInfo> NewFileVersionInfo() override;
  std::unique_ptr<FieldParser> NewFieldParser() override;
};

}  // namespace lumora
