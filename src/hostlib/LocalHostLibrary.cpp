#include "hostlib/LocalHostLibrary.h"

#include "contract/Failure.h"
#include "hostlib/HostRegistry.h"
#include "hostlib/HostSetupError.h"
#include "hostlib/PeFileVersion.h"
#include "hostlib/ProfileIniFile.h"
#include "hostlib/RegFile.h"
#include "hostlib/StderrErrorReport.h"
#include "hostlib/UnixOdbcRegistry.h"
#include "hostlib/StandardUtilities.h"

namespace lumora {

LocalHostLibrary::LocalHostLibrary(HostSettings settings)
    : settings_(std::move(settings)), config_(LoadHostConfig(settings_.hostConfig)) {
  drives_ = std::make_shared<const DriveMap>(config_.drives);
  const std::string& source = settings_.registry;
  if (source == "none") {
    registry_ = std::make_shared<const RegistryTree>();
  } else if (source != "unixodbc" && !source.empty()) {
    registry_ = LoadRegFile(source);
  }
}

std::shared_ptr<const RegistryTree> LocalHostLibrary::Registry() {
  if (!registry_) registry_ = LoadUnixOdbcRegistry(LocateUnixOdbcFiles());
  return registry_;
}
LocalHostLibrary::~LocalHostLibrary() = default;

std::unique_ptr<ErrorReport> LocalHostLibrary::NewErrorReport() {
  return std::make_unique<StderrErrorReport>();
}

std::shared_ptr<RegistryKey> LocalHostLibrary::NewRegistryKey() {
  return std::make_shared<TreeRegistryKey>(Registry());
}

std::unique_ptr<RegistryConstants> LocalHostLibrary::NewRegistryConstants() {
  return std::make_unique<TreeRegistryConstants>();
}

std::unique_ptr<IniFile> LocalHostLibrary::NewIniFile() {
  return std::make_unique<ProfileIniFile>();
}

std::unique_ptr<SystemFolders> LocalHostLibrary::NewSystemFolders() {
  return std::make_unique<FixedSystemFolders>(config_.folders);
}

std::unique_ptr<PathHelper> LocalHostLibrary::NewPathHelper() {
  return std::make_unique<StandardPathHelper>();
}

std::unique_ptr<FileVersionInfo> LocalHostLibrary::NewFileVersionInfo() {
  return std::make_unique<PeFileVersionInfo>(drives_);
}

std::unique_ptr<FieldParser> LocalHostLibrary::NewFieldParser() {
  return std::make_unique<StandardFieldParser>();
}

}  // namespace lumora
