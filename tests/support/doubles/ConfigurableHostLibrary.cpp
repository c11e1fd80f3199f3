#include "support/doubles/ConfigurableHostLibrary.h"

#include "contract/Failure.h"
#include "hostlib/StandardUtilities.h"

namespace lumora {
namespace {

// Records every report in the list it shares with the host library that made it.
class RecordingErrorReport : public ErrorReport {
 public:
  explicit RecordingErrorReport(ReportLog log) : log_(std::move(log)) {}
  void ReportError(int32_t& number, std::string& description, std::string& source,
                   std::string& procedure) override {
    log_->push_back({number, description, source, procedure});
  }

 private:
  ReportLog log_;
};

// A registry without keys.
class EmptyRegistryKey : public RegistryKey {
 public:
  std::shared_ptr<RegistryValues> Values() override { Raise(kObjectNotSet); }
  void SetRoot(int32_t) override {}
  std::shared_ptr<RegistryKey> OpenSubKey(const std::string&, int32_t&) override { return nullptr; }
};

class ClassicRegistryConstants : public RegistryConstants {
 public:
  int32_t ReadAccess() override { return 0x20019; }
  int32_t CurrentUserRoot() override { return static_cast<int32_t>(0x80000001u); }
  int32_t LocalMachineRoot() override { return static_cast<int32_t>(0x80000002u); }
};

class NoListsIniFile : public IniFile {
 public:
  bool FindIniFileEntry(const std::string&, const std::string&, const std::string&, std::string&,
                        int16_t& count) override {
    count = 0;
    return false;
  }
};

class NoVersionInfo : public FileVersionInfo {
 public:
  bool Load(const std::string&) override { return false; }
  FileVersion GetVersion() override { return {}; }
};

template <class T, class Default, class... Args>
T Make(const std::function<T()>& factory, const Args&... args) {
  return factory ? factory() : T(new Default(args...));
}

}  // namespace

std::unique_ptr<ErrorReport> ConfigurableHostLibrary::NewErrorReport() {
  ++newErrorReportCalls;
  return std::make_unique<RecordingErrorReport>(reports);
}

std::shared_ptr<RegistryKey> ConfigurableHostLibrary::NewRegistryKey() {
  return Make<std::shared_ptr<RegistryKey>, EmptyRegistryKey>(registryKey);
}

std::unique_ptr<RegistryConstants> ConfigurableHostLibrary::NewRegistryConstants() {
  return Make<std::unique_ptr<RegistryConstants>, ClassicRegistryConstants>(registryConstants);
}

std::unique_ptr<IniFile> ConfigurableHostLibrary::NewIniFile() {
  return Make<std::unique_ptr<IniFile>, NoListsIniFile>(iniFile);
}

std::unique_ptr<SystemFolders> ConfigurableHostLibrary::NewSystemFolders() {
  return Make<std::unique_ptr<SystemFolders>, FixedSystemFolders>(systemFolders, folders);
}

std::unique_ptr<PathHelper> ConfigurableHostLibrary::NewPathHelper() {
  return std::make_unique<StandardPathHelper>();
}

std::unique_ptr<FileVersionInfo> ConfigurableHostLibrary::NewFileVersionInfo() {
  return Make<std::unique_ptr<FileVersionInfo>, NoVersionInfo>(fileVersionInfo);
}

std::unique_ptr<FieldParser> ConfigurableHostLibrary::NewFieldParser() {
  return std::make_unique<StandardFieldParser>();
}

}  // namespace lumora
