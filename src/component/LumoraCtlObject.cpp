// LumoraCtl as a component object: IDevWizard and ISetupDesignObjectBuild over the C++ class,
// its class factory, and the exports DllGetClassObject and DllCanUnloadNow. No exception leaves
// a method: failures come back as results with a failure info.
#include <atomic>
#include <memory>
#include <new>

#include "component/ComponentState.h"
#include "component/HostAdapters.h"
#include "component/WizardModes.h"
#include "contract/Environment.h"
#include "contract/Failure.h"
#include "control/LumoraCtl.h"
#include "marshal/Marshal.h"

namespace lumora::com {
namespace {

using marshal::SameGuid;

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
  } catch (const HostInputError& e) {
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

struct CtlObject;
struct WizardFace {
  const IDevWizardVtbl* lpVtbl;
  CtlObject* owner;
};
struct BuildFace {
  const ISetupDesignObjectBuildVtbl* lpVtbl;
  CtlObject* owner;
};

struct CtlObject {
  WizardFace wizard;  // also the object's IUnknown
  BuildFace build;
  std::atomic<uint32_t> references{1};
  std::unique_ptr<LumoraCtl> control = std::make_unique<LumoraCtl>();

  CtlObject();
  ~CtlObject();

  LumoraHResult QueryInterface(const LumoraGuid* iid, void** out) {
    if (out == nullptr) return LUMORA_E_POINTER;
    *out = nullptr;
    if (iid == nullptr) return LUMORA_E_INVALIDARG;
    if (SameGuid(*iid, IID_IUnknown) || SameGuid(*iid, IID_IDevWizard)) {
      *out = &wizard;
    } else if (SameGuid(*iid, IID_ISetupDesignObjectBuild)) {
      *out = &build;
    } else {
      return LUMORA_E_NOINTERFACE;
    }
    ++references;
    return LUMORA_S_OK;
  }
  uint32_t AddRef() { return ++references; }
  uint32_t Release() {
    const uint32_t left = --references;
    if (left == 0) delete this;
    return left;
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

CtlObject* Owner(IDevWizard* self) {
  return reinterpret_cast<WizardFace*>(self)->owner;
}
CtlObject* Owner(ISetupDesignObjectBuild* self) {
  return reinterpret_cast<BuildFace*>(self)->owner;
}

template <class Face>
LumoraHResult QueryInterfaceOf(Face* self, const LumoraGuid* iid, void** out) {
  return Owner(self)->QueryInterface(iid, out);
}
template <class Face>
uint32_t AddRefOf(Face* self) {
  return Owner(self)->AddRef();
}
template <class Face>
uint32_t ReleaseOf(Face* self) {
  return Owner(self)->Release();
}

LumoraHResult DisplayOf(IDevWizard* self, IDesignObject* object, int32_t* result,
                        IFailureInfo** error) {
  return Owner(self)->Display(object, result, error);
}
LumoraHResult IsIncludedOf(ISetupDesignObjectBuild* self, IDesignObject* object,
                           LumoraString featurePath, int32_t* result, IFailureInfo** error) {
  return Owner(self)->IsIncluded(object, featurePath, result, error);
}

const IDevWizardVtbl kWizardVtbl = {QueryInterfaceOf<IDevWizard>, AddRefOf<IDevWizard>,
                                    ReleaseOf<IDevWizard>, DisplayOf};
const ISetupDesignObjectBuildVtbl kBuildVtbl = {QueryInterfaceOf<ISetupDesignObjectBuild>,
                                                AddRefOf<ISetupDesignObjectBuild>,
                                                ReleaseOf<ISetupDesignObjectBuild>, IsIncludedOf};

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

struct FactoryObject {
  IClassFactory face;
  std::atomic<uint32_t> references{1};

  static FactoryObject* Of(IClassFactory* self) { return reinterpret_cast<FactoryObject*>(self); }

  static LumoraHResult QueryInterface(IClassFactory* self, const LumoraGuid* iid, void** out) {
    if (out == nullptr) return LUMORA_E_POINTER;
    *out = nullptr;
    if (iid == nullptr) return LUMORA_E_INVALIDARG;
    if (!SameGuid(*iid, IID_IUnknown) && !SameGuid(*iid, IID_IClassFactory)) {
      return LUMORA_E_NOINTERFACE;
    }
    AddRef(self);
    *out = self;
    return LUMORA_S_OK;
  }
  static uint32_t AddRef(IClassFactory* self) { return ++Of(self)->references; }
  static uint32_t Release(IClassFactory* self) {
    FactoryObject* factory = Of(self);
    const uint32_t left = --factory->references;
    if (left == 0) {
      delete factory;
      --LiveObjects();
    }
    return left;
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

const IClassFactoryVtbl kFactoryVtbl = {FactoryObject::QueryInterface, FactoryObject::AddRef,
                                        FactoryObject::Release, FactoryObject::CreateInstance,
                                        FactoryObject::LockServer};

}  // namespace
}  // namespace lumora::com

extern "C" LUMORA_EXPORT LumoraHResult DllGetClassObject(const LumoraGuid* clsid,
                                                         const LumoraGuid* iid, void** out) {
  using namespace lumora::com;
  if (out == nullptr) return LUMORA_E_POINTER;
  *out = nullptr;
  if (clsid == nullptr || iid == nullptr) return LUMORA_E_INVALIDARG;
  if (!lumora::marshal::SameGuid(*clsid, CLSID_LumoraCtl)) return LUMORA_CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) FactoryObject{};
  if (factory == nullptr) return LUMORA_E_OUTOFMEMORY;
  factory->face.lpVtbl = &kFactoryVtbl;
  ++LiveObjects();
  const LumoraHResult result = FactoryObject::QueryInterface(&factory->face, iid, out);
  FactoryObject::Release(&factory->face);
  return result;
}

extern "C" LUMORA_EXPORT LumoraHResult DllCanUnloadNow(void) {
  using namespace lumora::com;
  return LiveObjects() == 0 && ServerLocks() == 0 ? LUMORA_S_OK : LUMORA_S_FALSE;
}
