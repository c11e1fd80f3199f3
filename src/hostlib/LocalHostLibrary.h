// The command-line host's library: utility objects that work on this machine's files, as
// HostSettings direct. Reports go to standard error.
#pragma once

#include "host/contract/HostLibrary.h"
#include "hostlib/HostSettings.h"

namespace lumora {

class LocalHostLibrary : public HostLibrary {
 public:
  explicit LocalHostLibrary(HostSettings settings);
  ~LocalHostLibrary() override;

  const HostSettings& settings() const { return settings_; }

  std::unique_ptr<ErrorReport> NewErrorReport() override;
  std::shared_ptr<RegistryKey> NewRegistryKey() override;
  std::unique_ptr<RegistryConstants> NewRegistryConstants() override;
  std::unique_ptr<IniFile> NewIniFile() override;
  std::unique_ptr<SystemFolders> NewSystemFolders() override;
  std::unique_ptr<PathHelper> NewPathHelper() override;
  std::unique_ptr<FileVersionInfo> NewFileVersionInfo() override;
  std::unique_ptr<FieldParser> NewFieldParser() override;

 private:
  HostSettings settings_;
};

}  // namespace lumora
