#include "ComponentHost.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "contract/Failure.h"
#include "hostlib/ComponentRegistry.h"
#include "hostlib/DesignObjectFile.h"
#include "hostlib/StderrErrorReport.h"
#include "marshal/Marshal.h"

namespace lumora::cli {
namespace {

using marshal::Copy;
using marshal::SameGuid;
using marshal::View;

// The folder of this program's own file: the build and the install put the component beside it.
std::string OwnFolder() {
  std::string path(4096, '\0');
  ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return ".";
  path.resize(static_cast<size_t>(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// ---- The host's objects ------------------------------------------------------------------

LumoraHResult FailWith(IFailureInfo** error, const Failure& failure) {
  if (error != nullptr) {
    *error = marshal::NewFailureInfo({failure.number(), failure.description(), failure.source()});
  }
  return LUMORA_DISP_E_EXCEPTION;
}

// The error-report object: one line on standard error per report.
struct HostErrorReport {
  IErrorReport face;
  std::atomic<uint32_t> references{1};

  static HostErrorReport* Of(IErrorReport* self) {
    return reinterpret_cast<HostErrorReport*>(self);
  }
  static LumoraHResult QueryInterface(IErrorReport* self, const LumoraGuid* iid, void** out) {
    if (out == nullptr) return LUMORA_E_POINTER;
    *out = nullptr;
    if (iid == nullptr) return LUMORA_E_INVALIDARG;
    if (!SameGuid(*iid, IID_IUnknown) && !SameGuid(*iid, IID_IErrorReport)) {
      return LUMORA_E_NOINTERFACE;
    }
    AddRef(self);
    *out = self;
    return LUMORA_S_OK;
  }
  static uint32_t AddRef(IErrorReport* self) { return ++Of(self)->references; }
  static uint32_t Release(IErrorReport* self) {
    const uint32_t left = --Of(self)->references;
    if (left == 0) delete Of(self);
    return left;
  }
  static LumoraHResult ReportError(IErrorReport*, int32_t number, LumoraString description,
                                   LumoraString source, LumoraString procedure) {
    const std::string line =
        StderrErrorReport::Format(number, Copy(description), Copy(source), Copy(procedure)) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    return LUMORA_S_OK;
  }
};

const IErrorReportVtbl kErrorReportVtbl = {HostErrorReport::QueryInterface, HostErrorReport::AddRef,
                                           HostErrorReport::Release, HostErrorReport::ReportError};

// The design object over a file, with the host site on the same object.
struct HostDesignObject;
struct SiteFace {
  const IHostSiteVtbl* lpVtbl;
  HostDesignObject* owner;
};

struct HostDesignObject {
  IDesignObject face;  // also the object's IUnknown
  SiteFace site;
  std::atomic<uint32_t> references{1};
  std::shared_ptr<DesignObjectFile> file;
  HostSettings settings;
  LumoraWizardMode mode;
  std::string script;

  static HostDesignObject* Of(IDesignObject* self) {
    return reinterpret_cast<HostDesignObject*>(self);
  }
  static HostDesignObject* Of(IHostSite* self) { return reinterpret_cast<SiteFace*>(self)->owner; }

  LumoraHResult Query(const LumoraGuid* iid, void** out) {
    if (out == nullptr) return LUMORA_E_POINTER;
    *out = nullptr;
    if (iid == nullptr) return LUMORA_E_INVALIDARG;
    if (SameGuid(*iid, IID_IUnknown) || SameGuid(*iid, IID_IDesignObject)) {
      *out = &face;
    } else if (SameGuid(*iid, IID_IHostSite)) {
      *out = &site;
    } else {
      return LUMORA_E_NOINTERFACE;
    }
    ++references;
    return LUMORA_S_OK;
  }
  uint32_t Drop() {
    const uint32_t left = --references;
    if (left == 0) delete this;
    return left;
  }

  static LumoraHResult QueryInterface(IDesignObject* self, const LumoraGuid* iid, void** out) {
    return Of(self)->Query(iid, out);
  }
  static uint32_t AddRef(IDesignObject* self) { return ++Of(self)->references; }
  static uint32_t Release(IDesignObject* self) { return Of(self)->Drop(); }

  static LumoraHResult GetProperty(IDesignObject* self, LumoraString name, LumoraValue* value,
                                   IFailureInfo** error) {
    if (error != nullptr) *error = nullptr;
    if (value == nullptr) return LUMORA_E_POINTER;
    *value = LumoraValue{};
    try {
      *value = marshal::ToCValue(Of(self)->file->GetProperty(Copy(name)));
      return LUMORA_S_OK;
    } catch (const Failure& failure) {
      return FailWith(error, failure);
    } catch (const std::exception& e) {
      return FailWith(error, Failure(kInternalError, e.what(), "lumora"));
    }
  }
  static LumoraHResult PutProperty(IDesignObject* self, LumoraString name, const LumoraValue* value,
                                   IFailureInfo** error) {
    if (error != nullptr) *error = nullptr;
    if (value == nullptr) return LUMORA_E_POINTER;
    try {
      Of(self)->file->PutProperty(Copy(name), marshal::FromCValue(*value));
      return LUMORA_S_OK;
    } catch (const Failure& failure) {
      return FailWith(error, failure);
    } catch (const std::exception& e) {
      return FailWith(error, Failure(kInternalError, e.what(), "lumora"));
    }
  }
  static void FreeValue(IDesignObject*, LumoraValue* value) {
    if (value != nullptr) marshal::FreeCValue(*value);
  }

  static LumoraHResult SiteQueryInterface(IHostSite* self, const LumoraGuid* iid, void** out) {
    return Of(self)->Query(iid, out);
  }
  static uint32_t SiteAddRef(IHostSite* self) { return ++Of(self)->references; }
  static uint32_t SiteRelease(IHostSite* self) { return Of(self)->Drop(); }
  static LumoraHResult GetSettings(IHostSite* self, LumoraHostSettings* out) {
    if (out == nullptr) return LUMORA_E_POINTER;
    const HostDesignObject* object = Of(self);
    out->componentDir = View(object->settings.componentDir);
    out->registry = View(object->settings.registry);
    out->hostConfig = View(object->settings.hostConfig);
    out->wizardMode = object->mode;
    out->script = View(object->script);
    return LUMORA_S_OK;
  }
  static LumoraHResult CreateErrorReport(IHostSite*, IErrorReport** report) {
    if (report == nullptr) return LUMORA_E_POINTER;
    auto* made = new (std::nothrow) HostErrorReport{};
    if (made == nullptr) return LUMORA_E_OUTOFMEMORY;
    made->face.lpVtbl = &kErrorReportVtbl;
    *report = &made->face;
    return LUMORA_S_OK;
  }
};

const IDesignObjectVtbl kDesignObjectVtbl = {
    HostDesignObject::QueryInterface, HostDesignObject::AddRef,      HostDesignObject::Release,
    HostDesignObject::GetProperty,    HostDesignObject::PutProperty, HostDesignObject::FreeValue};
const IHostSiteVtbl kHostSiteVtbl = {HostDesignObject::SiteQueryInterface,
                                     HostDesignObject::SiteAddRef, HostDesignObject::SiteRelease,
                                     HostDesignObject::GetSettings,
                                     HostDesignObject::CreateErrorReport};

template <class Fn>
Fn Export(void* library, const char* name, const std::string& path) {
  void* symbol = ::dlsym(library, name);
  if (symbol == nullptr) {
    throw ComponentLoadError("the component " + path + " lacks the export " + name);
  }
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

std::string Component::Locate() {
  try {
    const std::string registered = RegisteredLibrary(ComponentRegistryFile(), LUMORA_PROGID,
                                                     marshal::GuidText(CLSID_LumoraCtl));
    return registered.empty() ? LocateBesideLumora() : registered;
  } catch (const ComponentRegistryError& e) {
    throw ComponentLoadError(e.what());
  }
}

std::string Component::LocateBesideLumora() {
  return OwnFolder() + "/" + LUMORA_LIBRARY_FILE;
}

Component Component::Load(const std::string& given) {
  // An absolute path, so that neither the library search path nor the current folder decides.
  std::error_code error;
  const std::string path = std::filesystem::absolute(given, error).string();
  // Loaded for the rest of the process, as a host keeps a component it has used.
  void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = ::dlerror();
    throw ComponentLoadError("cannot load the component: " +
                             std::string(why != nullptr ? why : path));
  }
  Component component;
  component.path_ = path;
  component.registerServer = Export<LumoraDllRegisterServerFn>(library, "DllRegisterServer", path);
  component.unregisterServer =
      Export<LumoraDllUnregisterServerFn>(library, "DllUnregisterServer", path);
  component.getClassObject = Export<LumoraDllGetClassObjectFn>(library, "DllGetClassObject", path);
  component.canUnloadNow = Export<LumoraDllCanUnloadNowFn>(library, "DllCanUnloadNow", path);
  return component;
}

void* Component::CreateLumoraCtl(const LumoraGuid& iid) const {
  Ref<IClassFactory> factory;
  LumoraHResult result =
      getClassObject(&CLSID_LumoraCtl, &IID_IClassFactory, reinterpret_cast<void**>(factory.Out()));
  if (LUMORA_FAILED(result)) {
    throw ComponentLoadError("the component " + path_ + " has no class factory for LumoraCtl (" +
                             ResultText(result) + ")");
  }
  void* object = nullptr;
  result = factory->lpVtbl->CreateInstance(factory.get(), nullptr, &iid, &object);
  if (LUMORA_FAILED(result)) {
    throw ComponentLoadError("the component " + path_ + " could not make LumoraCtl (" +
                             ResultText(result) + ")");
  }
  return object;
}

IDesignObject* NewHostDesignObject(std::shared_ptr<DesignObjectFile> file,
                                   const Invocation& invocation, LumoraWizardMode mode) {
  auto* object = new HostDesignObject{};
  object->face.lpVtbl = &kDesignObjectVtbl;
  object->site = SiteFace{&kHostSiteVtbl, object};
  object->file = std::move(file);
  object->settings = invocation.host;
  object->mode = mode;
  object->script = invocation.script;
  return &object->face;
}

CallFailure ReadCallFailure(LumoraHResult result, IFailureInfo* error) {
  const marshal::FailureText text = marshal::ReadFailureInfo(error);
  CallFailure failure{result, text.number, text.description, text.source};
  if (failure.description.empty())
    failure.description = "the call failed (" + ResultText(result) + ")";
  if (failure.source.empty()) failure.source = "BVLumora";
  return failure;
}

std::string ResultText(LumoraHResult result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
  return text;
}

std::shared_ptr<DesignObjectFile> LoadObjectOrSay(const std::string& path) {
  try {
    return std::make_shared<DesignObjectFile>(DesignObjectFile::Load(path));
  } catch (const DesignObjectFileError& e) {
    PrintError(e.what());
    return nullptr;
  }
}

void* CreateLumoraCtlOrSay(const LumoraGuid& iid) {
  try {
    const Component component = Component::Load(Component::Locate());
    return component.CreateLumoraCtl(iid);
  } catch (const ComponentLoadError& e) {
    PrintError(e.what());
    return nullptr;
  }
}

}  // namespace lumora::cli
