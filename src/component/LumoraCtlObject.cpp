// LumoraCtl as a component object: IDevWizard and ISetupDesignObjectBuild over the C++ class, and
// the faces the platform adds (the automation interface on Windows). No exception leaves a
// method: failures come back as results with a failure info.
#include <atomic>
#include <memory>
#include <new>

#include "component/AutomationFace.h"
#include "component/ComponentState.h"
#include "component/ControlObject.h"
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
  std::unique_ptr<AutomationFace> automation;

  CtlObject();
  ~CtlObject();

  LumoraHResult QueryInterface(const LumoraGuid* iid, void** out) {
    const LumoraHResult result =
        Query(iid, out, {{&IID_IDevWizard, &wizard}, {&IID_ISetupDesignObjectBuild, &build}});
    if (result != LUMORA_E_NOINTERFACE || automation == nullptr) return result;
    *out = automation->Find(*iid);
    if (*out == nullptr) return LUMORA_E_NOINTERFACE;
    AddRef();
    return LUMORA_S_OK;
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

LumoraHResult LUMORA_CALL DisplayOf(IDevWizard* self, IDesignObject* object, int32_t* result,
                                    IFailureInfo** error) {
  return marshal::Face<IDevWizard, CtlObject>::OwnerOf(self)->Display(object, result, error);
}
LumoraHResult LUMORA_CALL IsIncludedOf(ISetupDesignObjectBuild* self, IDesignObject* object,
                                       LumoraString featurePath, int32_t* result,
                                       IFailureInfo** error) {
  return marshal::Face<ISetupDesignObjectBuild, CtlObject>::OwnerOf(self)->IsIncluded(
      object, featurePath, result, error);
}

using WizardUnknown = marshal::Unknown<IDevWizard, CtlObject>;
using BuildUnknown = marshal::Unknown<ISetupDesignObjectBuild, CtlObject>;
const IDevWizardVtbl kWizardVtbl = {WizardUnknown::QueryInterface, WizardUnknown::AddRef,
                                    WizardUnknown::Release, DisplayOf};
const ISetupDesignObjectBuildVtbl kBuildVtbl = {BuildUnknown::QueryInterface, BuildUnknown::AddRef,
                                                BuildUnknown::Release, IsIncludedOf};

CtlObject::CtlObject()
    : wizard{&kWizardVtbl, this},
      build{&kBuildVtbl, this},
      automation(NewAutomationFace(wizard.get(), build.get())) {
  ++LiveObjects();
  ++ControlObjects();
}

CtlObject::~CtlObject() {
  control.reset();  // ends the last wizard session while the host is still attached
  // The host's site and error-report objects are held only while a LumoraCtl lives.
  if (--ControlObjects() == 0) DetachHost();
  --LiveObjects();
}

}  // namespace

LumoraHResult NewControlObject(const LumoraGuid* iid, void** out) {
  if (out == nullptr) return LUMORA_E_POINTER;
  *out = nullptr;
  try {
    auto* object = new CtlObject();
    const LumoraHResult result = object->QueryInterface(iid, out);
    object->Release();  // the reference of `out`, if any, keeps it alive
    return result;
  } catch (...) {
    return CurrentFailure(nullptr);
  }
}

}  // namespace lumora::com
