// The command-line host's library: utility objects that work on this machine's files, as
// HostSettings direct. Reports go to standard error. The registry source and the host settings
// file are read once: a .reg export and the settings file when the library is made (a bad one
// throws HostError naming the file and line), unixODBC's files at the first registry key.
#pragma once

#include <memory>

#include "contract/HostLibrary.h"
#include "hostlib/HostConfig.h"
#include "hostlib/HostSettings.h"
#include "hostlib/RegistryTree.h"

namespace lumora {

class LocalHostLibrary : public HostLibrary {
 public:
  // Throws HostError when the registry export or the host settings file is unusable.
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
  std::shared_ptr<const RegistryTree> Registry();

  HostSettings settings_;
  std::shared_ptr<const RegistryTree> registry_;  // null until read (unixODBC: at first use)
  HostConfig config_;
  std::shared_ptr<const DriveMap> drives_;
};

}  // namespace lumora
