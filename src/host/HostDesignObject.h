// The host's side of the component's interfaces: the design object over a design-object file
// (IDesignObject) and, on the same object, the host site handing over the settings the wizard
// runs with (IHostSite), whose error-report objects print each report on standard error in
// lumora's format. lumora hands the component a HostDesignObject as it is; an automation object
// of the Windows build embeds the two faces (HostFaces) and answers for them itself.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "contract/Value.h"
#include "hostlib/HostSettings.h"
#include "lumora/BVLumora.h"
#include "marshal/ComObject.h"

namespace lumora {

class DesignObjectFile;

// What the two faces answer from: the file (null until one is opened: a call then fails with
// "object not set") and the settings.
struct HostObjectState {
  std::shared_ptr<DesignObjectFile> file;
  HostSettings settings;
  LumoraWizardMode mode = LUMORA_WIZARD_WINDOW;
  std::string script;
};

// The object that owns a HostFaces: one identity and one reference count for all its interfaces.
class FaceOwner {
 public:
  // IUnknown's three methods, answered for every face of the object.
  virtual LumoraHResult OwnerQueryInterface(const LumoraGuid* iid, void** out) = 0;
  virtual LumoraRefCount OwnerAddRef() = 0;
  virtual LumoraRefCount OwnerRelease() = 0;

 protected:
  ~FaceOwner() = default;
};

class HostFaces {
 public:
  // `live`, when given, counts the failure infos and error reports handed out (a server's
  // DllCanUnloadNow answers from it).
  explicit HostFaces(FaceOwner& owner, std::atomic<long>* live = nullptr);
  HostFaces(const HostFaces&) = delete;
  HostFaces& operator=(const HostFaces&) = delete;

  // The face for IID_IDesignObject or IID_IHostSite (no reference added), else null.
  void* Find(const LumoraGuid& iid);
  IDesignObject* design() { return design_.get(); }

  HostObjectState state;

 private:
  using DesignFace = marshal::Face<IDesignObject, HostFaces>;
  using SiteFace = marshal::Face<IHostSite, HostFaces>;
  static HostFaces* Of(IDesignObject* self) { return DesignFace::OwnerOf(self); }
  static HostFaces* Of(IHostSite* self) { return SiteFace::OwnerOf(self); }
  DesignObjectFile& Opened();
  LumoraHResult Fail(IFailureInfo** error) const;

  static LumoraHResult LUMORA_CALL QueryOf(IDesignObject* self, const LumoraGuid* iid, void** out);
  static LumoraRefCount LUMORA_CALL AddRefOf(IDesignObject* self);
  static LumoraRefCount LUMORA_CALL ReleaseOf(IDesignObject* self);
  static LumoraHResult LUMORA_CALL QueryOf(IHostSite* self, const LumoraGuid* iid, void** out);
  static LumoraRefCount LUMORA_CALL AddRefOf(IHostSite* self);
  static LumoraRefCount LUMORA_CALL ReleaseOf(IHostSite* self);
  static LumoraHResult LUMORA_CALL GetProperty(IDesignObject* self, LumoraString name,
                                               LumoraValue* value, IFailureInfo** error);
  static LumoraHResult LUMORA_CALL PutProperty(IDesignObject* self, LumoraString name,
                                               const LumoraValue* value, IFailureInfo** error);
  static void LUMORA_CALL FreeValue(IDesignObject* self, LumoraValue* value);
  static LumoraHResult LUMORA_CALL GetSettings(IHostSite* self, LumoraHostSettings* out);
  static LumoraHResult LUMORA_CALL CreateErrorReport(IHostSite* self, IErrorReport** report);

  static const IDesignObjectVtbl kDesignVtbl;
  static const IHostSiteVtbl kSiteVtbl;

  DesignFace design_;
  SiteFace site_;
  FaceOwner& owner_;
  std::atomic<long>* live_;
  // Values handed out by GetProperty as views of the file's own, by their table, until freed.
  std::unordered_map<const void*, Value> lent_;
};

// A design object over `state` answering IDesignObject (its identity) and IHostSite; one
// reference for the caller.
IDesignObject* NewHostDesignObject(HostObjectState state);

}  // namespace lumora
