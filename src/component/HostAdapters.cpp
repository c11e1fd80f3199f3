#include "component/HostAdapters.h"

#include <cstdio>

#include "component/ComponentState.h"
#include "contract/Failure.h"
#include "contract/HostError.h"
#include "hostlib/DataFolder.h"
#include "hostlib/LocalHostLibrary.h"
#include "marshal/Marshal.h"

namespace lumora::com {

using marshal::Copy;
using marshal::View;

HostCall ReadHostCall(IHostSite* site) {
  HostCall call;
  if (site != nullptr) {
    LumoraHostSettings given{};
    const LumoraHResult result = site->lpVtbl->GetSettings(site, &given);
    if (LUMORA_FAILED(result)) RaiseHostFailure(result, nullptr, "the host site's settings");
    call.settings.componentDir = Copy(given.componentDir);
    if (given.registry.length != 0) call.settings.registry = Copy(given.registry);
    call.settings.hostConfig = Copy(given.hostConfig);
    call.settings.registryView = given.registryView == 64 ? 64 : 32;
    switch (given.wizardMode) {
      case LUMORA_WIZARD_SCRIPT:
      case LUMORA_WIZARD_TERMINAL:
      case LUMORA_WIZARD_CHOOSE:
        call.mode = static_cast<LumoraWizardMode>(given.wizardMode);
        break;
      default:
        call.mode = LUMORA_WIZARD_WINDOW;
    }
    call.script = Copy(given.script);
  }
  // A relative folder is taken against the current folder once, here, so that the help file's
  // path handed to the help window is whole.
  call.settings.componentDir = call.settings.componentDir.empty()
                                   ? layout::DataFolderFor(OwnFolder())
                                   : layout::Absolute(call.settings.componentDir);
  return call;
}

IHostSite* QueryHostSite(IDesignObject* object) {
  if (object == nullptr) return nullptr;
  void* site = nullptr;
  if (LUMORA_FAILED(object->lpVtbl->QueryInterface(object, &IID_IHostSite, &site))) return nullptr;
  return static_cast<IHostSite*>(site);
}

void RaiseHostFailure(LumoraHResult result, IFailureInfo* error, const char* what) {
  marshal::FailureText failure = marshal::ReadFailureInfo(error);
  marshal::ReleaseInterface(error);
  if (failure.number != 0) Raise(failure.number, failure.description, failure.source);
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result));
  switch (result) {
    case LUMORA_E_OUTOFMEMORY:
      Raise(kOutOfMemory);
    case LUMORA_E_INVALIDARG:
      Raise(kInvalidArgument);
    default:
      Raise(kInternalError, std::string(what) + " failed (" + code + ")",
            failure.source.empty() ? kComponentSource : failure.source);
  }
}

SiteDesignObject::SiteDesignObject(IDesignObject* object) : object_(object) {
  object_->lpVtbl->AddRef(object_);
}

SiteDesignObject::~SiteDesignObject() {
  object_->lpVtbl->Release(object_);
}

Value SiteDesignObject::GetProperty(const std::string& name) {
  LumoraValue value{};
  IFailureInfo* error = nullptr;
  const LumoraHResult result = object_->lpVtbl->GetProperty(object_, View(name), &value, &error);
  if (LUMORA_FAILED(result)) RaiseHostFailure(result, error, "the design object's GetProperty");
  marshal::ReleaseInterface(error);
  struct FreeAtEnd {
    IDesignObject* object;
    LumoraValue* value;
    ~FreeAtEnd() { object->lpVtbl->FreeValue(object, value); }
  } freeAtEnd{object_, &value};
  return marshal::FromCValue(value);
}

void SiteDesignObject::PutProperty(const std::string& name, const Value& value) {
  LumoraValue given = marshal::ToCValue(value);
  IFailureInfo* error = nullptr;
  const LumoraHResult result = object_->lpVtbl->PutProperty(object_, View(name), &given, &error);
  marshal::FreeCValue(given);
  if (LUMORA_FAILED(result)) RaiseHostFailure(result, error, "the design object's PutProperty");
  marshal::ReleaseInterface(error);
}

SiteErrorReport::SiteErrorReport(IErrorReport* report) : report_(report) {}

SiteErrorReport::~SiteErrorReport() {
  marshal::ReleaseInterface(report_);
}

void SiteErrorReport::ReportError(int32_t& number, std::string& description, std::string& source,
                                  std::string& procedure) {
  const LumoraHResult result = report_->lpVtbl->ReportError(report_, number, View(description),
                                                            View(source), View(procedure));
  if (LUMORA_FAILED(result)) RaiseHostFailure(result, nullptr, "the host's ReportError");
}

SiteHostLibrary::SiteHostLibrary(const HostSettings& settings, IHostSite* site) : site_(site) {
  local_ = std::make_unique<LocalHostLibrary>(settings);
  if (site_ != nullptr) site_->lpVtbl->AddRef(site_);
}

SiteHostLibrary::~SiteHostLibrary() {
  marshal::ReleaseInterface(site_);
}

std::unique_ptr<ErrorReport> SiteHostLibrary::NewErrorReport() {
  if (site_ == nullptr) return local_->NewErrorReport();
  IErrorReport* report = nullptr;
  const LumoraHResult result = site_->lpVtbl->CreateErrorReport(site_, &report);
  if (LUMORA_FAILED(result) || report == nullptr) {
    RaiseHostFailure(result, nullptr, "the host site's CreateErrorReport");
  }
  return std::make_unique<SiteErrorReport>(report);
}

std::shared_ptr<RegistryKey> SiteHostLibrary::NewRegistryKey() {
  return local_->NewRegistryKey();
}
std::unique_ptr<RegistryConstants> SiteHostLibrary::NewRegistryConstants() {
  return local_->NewRegistryConstants();
}
std::unique_ptr<IniFile> SiteHostLibrary::NewIniFile() {
  return local_->NewIniFile();
}
std::unique_ptr<SystemFolders> SiteHostLibrary::NewSystemFolders() {
  return local_->NewSystemFolders();
}
std::unique_ptr<PathHelper> SiteHostLibrary::NewPathHelper() {
  return local_->NewPathHelper();
}
std::unique_ptr<FileVersionInfo> SiteHostLibrary::NewFileVersionInfo() {
  return local_->NewFileVersionInfo();
}
std::unique_ptr<FieldParser> SiteHostLibrary::NewFieldParser() {
  return local_->NewFieldParser();
}

}  // namespace lumora::com
