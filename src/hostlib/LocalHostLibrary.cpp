#include "hostlib/LocalHostLibrary.h"

#include <sys/stat.h>

#include <cstdio>

#include "contract/Failure.h"
#include "contract/HostError.h"
#include "contract/MessageText.h"
#include "hostlib/HostRegistry.h"
#include "hostlib/PeFileVersion.h"
#include "hostlib/ProfileIniFile.h"
#include "hostlib/RegFile.h"
#include "hostlib/StandardUtilities.h"
#include "hostlib/StderrErrorReport.h"
#include "hostlib/UnixOdbcRegistry.h"
#include "hostlib/WineRegistry.h"

namespace lumora {

const char* DefaultRegistrySource() {
  return "unixodbc";
}

LocalHostLibrary::LocalHostLibrary(HostSettings settings)
    : settings_(std::move(settings)), config_(LoadHostConfig(settings_.hostConfig)) {
  // A 32-bit program on a 64-bit machine finds the system folder's files in SysWOW64.
  drives_ = std::make_shared<const DriveMap>(
      config_.drives, settings_.registryView == 32 ? config_.folders.system : std::string());
  const std::string& source = settings_.registry;
  std::shared_ptr<RegistryTree> tree;
  struct stat st {};
  if (source == "none") {
    tree = std::make_shared<RegistryTree>();
  } else if (source == "wine") {
    tree = LoadWinePrefixRegistry(DefaultWinePrefix());
  } else if (source != "unixodbc" && !source.empty()) {
    if (::stat(source.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      tree = LoadWinePrefixRegistry(source);
    } else {
      tree = LoadRegFile(source);
    }
  }
  if (tree) {
    UseRegistryView(*tree, settings_.registryView);
    registry_ = std::move(tree);
  }
}

std::shared_ptr<const RegistryTree> LocalHostLibrary::Registry() {
  if (!registry_) {
    registry_ = LoadUnixOdbcRegistry(LocateUnixOdbcFiles(), [](const std::string& message) {
      std::fprintf(stderr, "lumora: %s\n", EscapeForMessage(message).c_str());
    });
  }
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
