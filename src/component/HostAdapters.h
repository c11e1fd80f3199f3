// The host's objects as the component's C++ code sees them: a DesignObject over the host's
// IDesignObject, an ErrorReport over its IErrorReport, and the host library the component runs
// on: the local stand-in of the setup-design library, made from the settings the host site hands
// over, with error-report objects made by the host site when there is one. Each adapter holds one
// reference to the host's interface for as long as it lives.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "contract/DesignObject.h"
#include "contract/HostError.h"
#include "contract/HostLibrary.h"
#include "hostlib/HostSettings.h"
#include "lumora/BVLumora.h"

namespace lumora {
class LocalHostLibrary;
}

namespace lumora::com {

// What the host site said for one call, with the defaults filled in.
struct HostCall {
  HostSettings settings;
  LumoraWizardMode mode = LUMORA_WIZARD_WINDOW;
  std::string script;
};

// Reads the settings of the host site (null: the defaults).
HostCall ReadHostCall(IHostSite* site);

// Asks `object` for its optional host site; null when it has none.
IHostSite* QueryHostSite(IDesignObject* object);

// Throws the failure a host call answered: the failure info's number, description and source,
// or a failure naming the result when the host gave none.
[[noreturn]] void RaiseHostFailure(LumoraHResult result, IFailureInfo* error, const char* what);

class SiteDesignObject : public DesignObject {
 public:
  explicit SiteDesignObject(IDesignObject* object);
  ~SiteDesignObject() override;
  SiteDesignObject(const SiteDesignObject&) = delete;
  SiteDesignObject& operator=(const SiteDesignObject&) = delete;

  Value GetProperty(const std::string& name) override;
  void PutProperty(const std::string& name, const Value& value) override;

 private:
  IDesignObject* object_;
};

class SiteErrorReport : public ErrorReport {
 public:
  explicit SiteErrorReport(IErrorReport* report);  // takes over one reference
  ~SiteErrorReport() override;
  SiteErrorReport(const SiteErrorReport&) = delete;
  SiteErrorReport& operator=(const SiteErrorReport&) = delete;

  void ReportError(int32_t& number, std::string& description, std::string& source,
                   std::string& procedure) override;

 private:
  IErrorReport* report_;
};

class SiteHostLibrary : public HostLibrary {
 public:
  // Throws HostError when the registry export or the host settings file is unusable.
  SiteHostLibrary(const HostSettings& settings, IHostSite* site);
  ~SiteHostLibrary() override;
  SiteHostLibrary(const SiteHostLibrary&) = delete;
  SiteHostLibrary& operator=(const SiteHostLibrary&) = delete;

  std::unique_ptr<ErrorReport> NewErrorReport() override;
  std::shared_ptr<RegistryKey> NewRegistryKey() override;
  std::unique_ptr<RegistryConstants> NewRegistryConstants() override;
  std::unique_ptr<IniFile> NewIniFile() override;
  std::unique_ptr<SystemFolders> NewSystemFolders() override;
  std::unique_ptr<PathHelper> NewPathHelper() override;
  std::unique_ptr<FileVersionInfo> NewFileVersionInfo() override;
  std::unique_ptr<FieldParser> NewFieldParser() override;

 private:
  std::unique_ptr<LocalHostLibrary> local_;
  IHostSite* site_;
};

}  // namespace lumora::com
