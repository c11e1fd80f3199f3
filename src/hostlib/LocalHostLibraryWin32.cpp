// LocalHostLibrary on Windows: the system serves what the POSIX build stands in for. The
// registry is the live one unless a source is named (a .reg export, a Wine prefix, none), the
// system folders come from the system's calls (a host configuration file, when given, names
// them instead), file versions from GetFileVersionInfoW, and the catalogue's profile functions
// are the system's (platform/ProfileFile.h).
#include <windows.h>

#include <cstdio>
#include <filesystem>

#include "contract/HostError.h"
#include "contract/MessageText.h"
#include "contract/WideText.h"
#include "hostlib/HostRegistry.h"
#include "hostlib/LiveRegistry.h"
#include "hostlib/LocalHostLibrary.h"
#include "hostlib/ProfileIniFile.h"
#include "hostlib/RegFile.h"
#include "hostlib/StandardUtilities.h"
#include "hostlib/StderrErrorReport.h"
#include "hostlib/UnixOdbcRegistry.h"
#include "hostlib/WindowsServices.h"
#include "hostlib/WineRegistry.h"

namespace lumora {

const char* DefaultRegistrySource() {
  return "live";
}

LocalHostLibrary::LocalHostLibrary(HostSettings settings)
    : settings_(std::move(settings)), config_(LoadHostConfig(settings_.hostConfig)) {
  if (settings_.hostConfig.empty())
    config_.folders = SystemFolderSetOfThisMachine(settings_.registryView);
  drives_ = std::make_shared<const DriveMap>(config_.drives, std::string());
  const std::string& source = settings_.registry;
  std::shared_ptr<RegistryTree> tree;
  if (source == "none") {
    tree = std::make_shared<RegistryTree>();
  } else if (source == "wine") {
    tree = LoadWinePrefixRegistry(DefaultWinePrefix());
  } else if (source != "live" && source != "unixodbc" && !source.empty()) {
    std::error_code error;
    const std::filesystem::path path(Widen(source));
    tree = std::filesystem::is_directory(path, error) ? LoadWinePrefixRegistry(source)
                                                      : LoadRegFile(source);
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
  const std::string& source = settings_.registry;
  if (!registry_ && (source == "live" || source.empty())) {
    return NewLiveRegistryKey(settings_.registryView);
  }
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
  return NewSystemFileVersionInfo();
}

std::unique_ptr<FieldParser> LocalHostLibrary::NewFieldParser() {
  return std::make_unique<StandardFieldParser>();
}

}  // namespace lumora
