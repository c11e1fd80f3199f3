#include "hostlib/LocalHostLibrary.h"

#include "host/contract/Failure.h"
#include "hostlib/ProfileIniFile.h"
#include "hostlib/StderrErrorReport.h"
#include "hostlib/memory/StandardUtilities.h"

namespace lumora {

LocalHostLibrary::LocalHostLibrary(HostSettings settings) : settings_(std::move(settings)) {}
LocalHostLibrary::~LocalHostLibrary() = default;

std::unique_ptr<ErrorReport> LocalHostLibrary::NewErrorReport() {
  return std::make_unique<StderrErrorReport>();
}

std::shared_ptr<RegistryKey> LocalHostLibrary::NewRegistryKey() {
  Raise(kObjectNotSet, "the registry sources are not built yet", "lumora host");
}

std::unique_ptr<RegistryConstants> LocalHostLibrary::NewRegistryConstants() {
  Raise(kObjectNotSet, "the registry sources are not built yet", "lumora host");
}

std::unique_ptr<IniFile> LocalHostLibrary::NewIniFile() {
  return std::make_unique<ProfileIniFile>();
}

std::unique_ptr<SystemFolders> LocalHostLibrary::NewSystemFolders() {
  Raise(kObjectNotSet, "the system folders are not built yet", "lumora host");
}

std::unique_ptr<PathHelper> LocalHostLibrary::NewPathHelper() {
  return std::make_unique<StandardPathHelper>();
}

std::unique_ptr<FileVersionInfo> LocalHostLibrary::NewFileVersionInfo() {
  Raise(kObjectNotSet, "the file-version reader is not built yet", "lumora host");
}

std::unique_ptr<FieldParser> LocalHostLibrary::NewFieldParser() {
  return std::make_unique<StandardFieldParser>();
}

}  // namespace lumora
