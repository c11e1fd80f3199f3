#include "hostlib/memory/ConfigurableHostLibrary.h"

#include "host/contract/Failure.h"
#include "hostlib/memory/StandardUtilities.h"

namespace lumora {
namespace {

template <class T>
auto Make(const std::function<T()>& factory) {
  if (!factory) Raise(kObjectNotSet);
  return factory();
}

}  // namespace

ConfigurableHostLibrary::ConfigurableHostLibrary() = default;

std::unique_ptr<ErrorReport> ConfigurableHostLibrary::NewErrorReport() {
  ++newErrorReportCalls;
  return std::make_unique<RecordingErrorReport>(reports);
}

std::shared_ptr<RegistryKey> ConfigurableHostLibrary::NewRegistryKey() {
  return Make(registryKey);
}

std::unique_ptr<RegistryConstants> ConfigurableHostLibrary::NewRegistryConstants() {
  return Make(registryConstants);
}

std::unique_ptr<IniFile> ConfigurableHostLibrary::NewIniFile() {
  return Make(iniFile);
}

std::unique_ptr<SystemFolders> ConfigurableHostLibrary::NewSystemFolders() {
  if (systemFolders) return systemFolders();
  return std::make_unique<FixedSystemFolders>(folders);
}

std::unique_ptr<PathHelper> ConfigurableHostLibrary::NewPathHelper() {
  return std::make_unique<StandardPathHelper>();
}

std::unique_ptr<FileVersionInfo> ConfigurableHostLibrary::NewFileVersionInfo() {
  return Make(fileVersionInfo);
}

std::unique_ptr<FieldParser> ConfigurableHostLibrary::NewFieldParser() {
  if (fieldParser) return fieldParser();
  return std::make_unique<StandardFieldParser>();
}

}  // namespace lumora
