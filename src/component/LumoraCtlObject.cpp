// LumoraCtl as a component object: IDevWizard and ISetupDesignObjectBuild over the C++ class,
// its class factory, and the exports DllGetClassObject and DllCanUnloadNow. No exception leaves
// a method: failures come back as results with a failure info.
#include <atomic>
#include <memory>
#include <new>

#include "component/ComponentState.h"
#include "component/HostAdapters.h"
#include "component/WizardModes.h"
#include "contract/Failure.h"
#include "contract/ProcessState.h"
#include "control/LumoraCtl.h"
#include "marshal/ComObject.h"
#include "marshal/Marshal.h"

namespace lumora::com {
namespace {

// ---- The host library the component runs on ----------------------------------------------

// The settings the component is attached with, and the site that gave them (which the attached
// host library holds a reference to). A call with other settings or another site attaches anew.
struct Attachment {
  bool attached = false;
  HostSettings settings;
  IHostSite* site = nullptr;
};
Attachment& CurrentAttachment() {
  static Attachment attachment;
  return attachment;
}

void AttachFor(const HostCall& call, IHostSite* site) {
  Attachment& current = CurrentAttachment();
  const HostSettings& s = call.settings;
  if (current.attached && current.site == site && current.settings.componentDir == s.componentDir &&
      current.settings.registry == s.registry && current.settings.registryView == s.registryView &&
      current.settings.hostConfig == s.hostConfig) {
    return;
  }
  component::Attach(std::make_shared<SiteHostLibrary>(s, site), s.componentDir);
  current = Attachment{true, s, site};
}

void DetachHost() {
  component::Detach();
  CurrentAttachment() = Attachment{};
}

// A site reference for one call.
class SiteRef {
 public:
  explicit SiteRef(IDesignObject* object) : site_(QueryHostSite(object)) {}
  ~SiteRef() { marshal::ReleaseInterface(site_); }
  SiteRef(const SiteRef&) = delete;
  SiteRef& operator=(const SiteRef&) = delete;
  IHostSite* get() const { return site_; }

 private:
  IHostSite* site_;
};

void SetError(IFailureInfo** error, marshal::FailureText failure) {
  if (error != nullptr) *error = marshal::NewFailureInfo(std::move(failure), &LiveObjects());
}

// Turns the exception being handled into a result and a failure info.
LumoraHResult CurrentFailure(IFailureInfo** error) {
  try {
    throw;
  } catch (const HostError& e) {
    SetError(error, {0, e.what(), kComponentSource});
    return LUMORA_E_HOSTINPUT;
  } catch (const Failure& f) {
    SetError(error, {f.number(), f.description(), f.source()});
    return LUMORA_DISP_E_EXCEPTION;
  } catch (const std::bad_alloc&) {
    SetError(error, {kOutOfMemory, ClassicDescription(kOutOfMemory), kComponentSource});
    return LUMORA_E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    SetError(error, {kInternalError, e.what(), kComponentSource});
    return LUMORA_E_UNEXPECTED;
  } catch (...) {
    SetError(error, {kInternalError, ClassicDescription(kInternalError), kComponentSource});
    return LUMORA_E_UNEXPECTED;
  }
}

// ---- LumoraCtl ------------------------------------------------------------------------------

std::atomic<long>& ControlObjects() {
  static std::atomic<long> count{0};
  return count;
}

struct CtlObject : marshal::ComObject<CtlObject> {
  marshal::Face<IDevWizard, CtlObject> wizard;  // also the object's IUnknown
  marshal::Face<ISetupDesignObjectBuild, CtlObject> build;
  std::unique_ptr<LumoraCtl> control = std::make_unique<LumoraCtl>();

  CtlObject();
  ~CtlObject();

  LumoraHResult QueryInterface(const LumoraGuid* iid, void** out) {
    return Query(iid, out, {{&IID_IDevWizard, &wizard}, {&IID_ISetupDesignObjectBuild, &build}});
  }

  LumoraHResult Display(IDesignObject* object, int32_t* result, IFailureInfo** error) {
    if (error != nullptr) *error = nullptr;
    if (result == nullptr) return LUMORA_E_POINTER;
    *result = 0;
    try {
      SiteRef site(object);
      const HostCall call = ReadHostCall(site.get());
      if (object == nullptr) {
        AttachFor(call, nullptr);
        *result = control->IDevWizard_Display(nullptr) ? 1 : 0;  // reports 91 and answers false
        return LUMORA_S_OK;
      }
      // What the host can get wrong is checked before the host library is attached, and both
      // before anything is shown.
      std::unique_ptr<WizardMode> mode = WizardMode::Prepare(call);
      AttachFor(call, site.get());
      SiteDesignObject designObject(object);
      *result = mode->Run(*control, designObject) ? 1 : 0;
      return LUMORA_S_OK;
    } catch (...) {
      return CurrentFailure(error);
    }
  }

  LumoraHResult IsIncluded(IDesignObject* object, LumoraString featurePath, int32_t* result,
                           IFailureInfo** error) {
    if (error != nullptr) *error = nullptr;
    if (result == nullptr) return LUMORA_E_POINTER;
    *result = 0;
    try {
      const std::string path = marshal::Copy(featurePath);
      if (object == nullptr) {
        *result = control->ISetupDesignObjectBuild_IsIncluded(nullptr, path) ? 1 : 0;
        return LUMORA_S_OK;
      }
      SiteRef site(object);
      AttachFor(ReadHostCall(site.get()), site.get());
      SiteDesignObject designObject(object);
      *result = control->ISetupDesignObjectBuild_IsIncluded(&designObject, path) ? 1 : 0;
      return LUMORA_S_OK;
    } catch (...) {
      return CurrentFailure(error);
    }
  }
};

LumoraHResult DisplayOf(IDevWizard* self, IDesignObject* object, int32_t* result,
                        IFailureInfo** error) {
  return marshal::Face<IDevWizard, CtlObject>::OwnerOf(self)->Display(object, result, error);
}
LumoraHResult IsIncludedOf(ISetupDesignObjectBuild* self, IDesignObject* object,
                           LumoraString featurePath, int32_t* result, IFailureInfo** error) {
  return marshal::Face<ISetupDesignObjectBuild, CtlObject>::OwnerOf(self)->IsIncluded(
      object, featurePath, result, error);
}

using WizardUnknown = marshal::Unknown<IDevWizard, CtlObject>;
using BuildUnknown = marshal::Unknown<ISetupDesignObjectBuild, CtlObject>;
const IDevWizardVtbl kWizardVtbl = {WizardUnknown::QueryInterface, WizardUnknown::AddRef,
                                    WizardUnknown::Release, DisplayOf};
const ISetupDesignObjectBuildVtbl kBuildVtbl = {BuildUnknown::QueryInterface, BuildUnknown::AddRef,
                                                BuildUnknown::Release, IsIncludedOf};

CtlObject::CtlObject() : wizard{&kWizardVtbl, this}, build{&kBuildVtbl, this} {
  ++LiveObjects();
  ++ControlObjects();
}

CtlObject::~CtlObject() {
  control.reset();  // ends the last wizard session while the host is still attached
  // The host's site and error-report objects are held only while a LumoraCtl lives.
  if (--ControlObjects() == 0) DetachHost();
  --LiveObjects();
}

// ---- The class factory ----------------------------------------------------------------------

struct FactoryObject : marshal::ComObject<FactoryObject> {
  marshal::Face<IClassFactory, FactoryObject> face;

  FactoryObject();
  ~FactoryObject() { --LiveObjects(); }
  LumoraHResult QueryInterface(const LumoraGuid* iid, void** out) {
    return Query(iid, out, {{&IID_IClassFactory, &face}});
  }

  static LumoraHResult CreateInstance(IClassFactory*, IUnknown* outer, const LumoraGuid* iid,
                                      void** out) {
    if (out == nullptr) return LUMORA_E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return LUMORA_CLASS_E_NOAGGREGATION;
    try {
      auto* object = new CtlObject();
      const LumoraHResult result = object->QueryInterface(iid, out);
      object->Release();  // the reference of `out`, if any, keeps it alive
      return result;
    } catch (...) {
      return CurrentFailure(nullptr);
    }
  }
  static LumoraHResult LockServer(IClassFactory*, int32_t lock) {
    if (lock != 0) {
      ++ServerLocks();
    } else if (ServerLocks() > 0) {
      --ServerLocks();
    }
    return LUMORA_S_OK;
  }
};

using FactoryUnknown = marshal::Unknown<IClassFactory, FactoryObject>;
const IClassFactoryVtbl kFactoryVtbl = {FactoryUnknown::QueryInterface, FactoryUnknown::AddRef,
                                        FactoryUnknown::Release, FactoryObject::CreateInstance,
                                        FactoryObject::LockServer};

FactoryObject::FactoryObject() : face{&kFactoryVtbl, this} {
  ++LiveObjects();
}

}  // namespace
}  // namespace lumora::com

extern "C" LUMORA_EXPORT LumoraHResult DllGetClassObject(const LumoraGuid* clsid,
                                                         const LumoraGuid* iid, void** out) {
  using namespace lumora::com;
  if (out == nullptr) return LUMORA_E_POINTER;
  *out = nullptr;
  if (clsid == nullptr || iid == nullptr) return LUMORA_E_INVALIDARG;
  if (!lumora::marshal::SameGuid(*clsid, CLSID_LumoraCtl)) return LUMORA_CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) FactoryObject();
  if (factory == nullptr) return LUMORA_E_OUTOFMEMORY;
  const LumoraHResult result = factory->QueryInterface(iid, out);
  factory->Release();
  return result;
}

extern "C" LUMORA_EXPORT LumoraHResult DllCanUnloadNow(void) {
  using namespace lumora::com;
  return LiveObjects() == 0 && ServerLocks() == 0 ? LUMORA_S_OK : LUMORA_S_FALSE;
}
