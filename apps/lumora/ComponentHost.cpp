#include "ComponentHost.h"

#include "ClassFactoryCall.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "contract/Failure.h"
#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "contract/SharedLibrary.h"
#include "host/DesignObjectFile.h"
#include "host/InstallTree.h"
#include "hostlib/ComponentRegistry.h"
#include "hostlib/StderrErrorReport.h"
#include "marshal/ComObject.h"
#include "marshal/Marshal.h"

namespace lumora::cli {
namespace {

using marshal::Copy;
using marshal::View;

// ---- The host's objects ------------------------------------------------------------------

LumoraHResult FailWith(IFailureInfo** error, const Failure& failure) {
  if (error != nullptr) {
    *error = marshal::NewFailureInfo({failure.number(), failure.description(), failure.source()});
  }
  return LUMORA_DISP_E_EXCEPTION;
}

// The error-report object: one line on standard error per report.
struct HostErrorReport : marshal::ComObject<HostErrorReport> {
  marshal::Face<IErrorReport, HostErrorReport> face;

  HostErrorReport();
  LumoraHResult QueryInterface(const LumoraGuid* iid, void** out) {
    return Query(iid, out, {{&IID_IErrorReport, &face}});
  }
  static LumoraHResult LUMORA_CALL ReportError(IErrorReport*, int32_t number,
                                               LumoraString description, LumoraString source,
                                               LumoraString procedure) {
    const std::string line =
        StderrErrorReport::Format(number, Copy(description), Copy(source), Copy(procedure)) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    return LUMORA_S_OK;
  }
};

using ErrorReportUnknown = marshal::Unknown<IErrorReport, HostErrorReport>;
const IErrorReportVtbl kErrorReportVtbl = {ErrorReportUnknown::QueryInterface,
                                           ErrorReportUnknown::AddRef, ErrorReportUnknown::Release,
                                           HostErrorReport::ReportError};
HostErrorReport::HostErrorReport() : face{&kErrorReportVtbl, this} {}

// The design object over a file, with the host site on the same object.
struct HostDesignObject : marshal::ComObject<HostDesignObject> {
  marshal::Face<IDesignObject, HostDesignObject> face;  // also the object's IUnknown
  marshal::Face<IHostSite, HostDesignObject> site;
  std::shared_ptr<DesignObjectFile> file;
  // Values handed out by GetProperty as views of the file's own, by their table, until freed.
  std::unordered_map<const void*, Value> lent;
  HostSettings settings;
  LumoraWizardMode mode;
  std::string script;

  HostDesignObject();
  LumoraHResult QueryInterface(const LumoraGuid* iid, void** out) {
    return Query(iid, out, {{&IID_IDesignObject, &face}, {&IID_IHostSite, &site}});
  }
  static HostDesignObject* Of(IDesignObject* self) {
    return marshal::Face<IDesignObject, HostDesignObject>::OwnerOf(self);
  }
  static HostDesignObject* Of(IHostSite* self) {
    return marshal::Face<IHostSite, HostDesignObject>::OwnerOf(self);
  }

  static LumoraHResult LUMORA_CALL GetProperty(IDesignObject* self, LumoraString name,
                                               LumoraValue* value, IFailureInfo** error) {
    if (error != nullptr) *error = nullptr;
    if (value == nullptr) return LUMORA_E_POINTER;
    *value = LumoraValue{};
    try {
      HostDesignObject* object = Of(self);
      Value property = object->file->GetProperty(Copy(name));
      *value = marshal::ViewCValue(property);
      if (const void* table = marshal::TableOf(*value)) object->lent.emplace(table, property);
      return LUMORA_S_OK;
    } catch (const Failure& failure) {
      return FailWith(error, failure);
    } catch (const std::exception& e) {
      return FailWith(error, Failure(kInternalError, e.what(), "lumora"));
    }
  }
  static LumoraHResult LUMORA_CALL PutProperty(IDesignObject* self, LumoraString name,
                                               const LumoraValue* value, IFailureInfo** error) {
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
  static void LUMORA_CALL FreeValue(IDesignObject* self, LumoraValue* value) {
    if (value == nullptr) return;
    const void* table = marshal::TableOf(*value);
    marshal::FreeCView(*value);
    if (table != nullptr) Of(self)->lent.erase(table);
  }

  static LumoraHResult LUMORA_CALL GetSettings(IHostSite* self, LumoraHostSettings* out) {
    if (out == nullptr) return LUMORA_E_POINTER;
    const HostDesignObject* object = Of(self);
    out->componentDir = View(object->settings.componentDir);
    out->registry = View(object->settings.registry);
    out->hostConfig = View(object->settings.hostConfig);
    out->registryView = object->settings.registryView;
    out->wizardMode = object->mode;
    out->script = View(object->script);
    return LUMORA_S_OK;
  }
  static LumoraHResult LUMORA_CALL CreateErrorReport(IHostSite*, IErrorReport** report) {
    if (report == nullptr) return LUMORA_E_POINTER;
    auto* made = new (std::nothrow) HostErrorReport();
    if (made == nullptr) return LUMORA_E_OUTOFMEMORY;
    *report = made->face.get();
    return LUMORA_S_OK;
  }
};

using DesignObjectUnknown = marshal::Unknown<IDesignObject, HostDesignObject>;
using SiteUnknown = marshal::Unknown<IHostSite, HostDesignObject>;
const IDesignObjectVtbl kDesignObjectVtbl = {
    DesignObjectUnknown::QueryInterface, DesignObjectUnknown::AddRef,
    DesignObjectUnknown::Release,        HostDesignObject::GetProperty,
    HostDesignObject::PutProperty,       HostDesignObject::FreeValue};
const IHostSiteVtbl kHostSiteVtbl = {SiteUnknown::QueryInterface, SiteUnknown::AddRef,
                                     SiteUnknown::Release, HostDesignObject::GetSettings,
                                     HostDesignObject::CreateErrorReport};
HostDesignObject::HostDesignObject() : face{&kDesignObjectVtbl, this}, site{&kHostSiteVtbl, this} {}

template <class Fn>
Fn Export(void* library, const char* name, const std::string& path) {
  void* symbol = LibrarySymbol(library, name);
  if (symbol == nullptr) {
    throw HostError::NotDone("the component " + path + " lacks the export " + name);
  }
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

// The search order: the user's registry, then this program's own tree (beside it, then the
// installed library folder relative to it), then the system-wide registries of $XDG_DATA_DIRS.
CheckedLibrary Component::Locate() {
  const std::string progId = LUMORA_PROGID, clsid = marshal::GuidText(CLSID_LumoraCtl);
  CheckedLibrary user = RegisteredLibrary(ComponentRegistryFile(), progId, clsid);
  if (!user.empty()) return user;
  const std::string own = LocateBesideLumora();
  if (::access(own.c_str(), R_OK) == 0) return CheckedLibrary(own, -1);
  for (const std::string& file : layout::SystemRegistryFiles()) {
    if (CheckedLibrary system = RegisteredLibrary(file, progId, clsid); !system.empty()) {
      return system;
    }
  }
  return CheckedLibrary(own, -1);
}

std::string Component::LocateBesideLumora() {
  return layout::OwnTreeLibrary(LUMORA_LIBRARY_FILE);
}

Component Component::Load(const std::string& given) {
  // An absolute path, so that neither the library search path nor the current folder decides.
  std::error_code error;
  return Load(CheckedLibrary(std::filesystem::absolute(given, error).string(), -1));
}

Component Component::Load(CheckedLibrary checked) {
  const std::string path = checked.path();
  // Loaded for the rest of the process, as a host keeps a component it has used; a checked
  // library through the descriptor it was checked on.
  const std::string name = checked.LoadName();
  const LoadedLibrary loaded = LoadSharedLibrary(name);
  void* library = loaded.handle;
  if (library == nullptr) {
    std::string why = loaded.error;
    if (why.starts_with(name)) why.replace(0, name.size(), path);  // the file, not its /proc name
    throw HostError::NotDone("cannot load the component: " + EscapeForMessage(why));
  }
  checked.Release();
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
  void* object = nullptr;
  const FactoryCall call = CreateByFactory(getClassObject, iid, &object);
  if (call.factoryMissing) {
    throw HostError::NotDone("the component " + path_ + " has no class factory for LumoraCtl (" +
                             ResultText(call.result) + ")");
  }
  if (LUMORA_FAILED(call.result)) {
    throw HostError::NotDone("the component " + path_ + " could not make LumoraCtl (" +
                             ResultText(call.result) + ")");
  }
  return object;
}

IDesignObject* NewHostDesignObject(std::shared_ptr<DesignObjectFile> file,
                                   const Invocation& invocation, LumoraWizardMode mode) {
  auto* object = new HostDesignObject();
  object->file = std::move(file);
  object->settings = invocation.host;
  object->mode = mode;
  object->script = invocation.script;
  return object->face.get();
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

std::shared_ptr<DesignObjectFile> LoadObject(const std::string& path) {
  return std::make_shared<DesignObjectFile>(DesignObjectFile::Load(path));
}

void* CreateLumoraCtl(const LumoraGuid& iid) {
  return Component::Load(Component::Locate()).CreateLumoraCtl(iid);
}

}  // namespace lumora::cli
