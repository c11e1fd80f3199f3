// How lumora plays a setup-authoring host towards the component: it finds the class LumoraCtl in
// the per-user component registry (libBVLumora.so beside the lumora binary when the class is not
// registered; a registry or library that is not trusted is refused, never passed over),
// loads the library with dlopen, and calls it only through its four exports and the interfaces of
// include/lumora/BVLumora.h. The host's side of those interfaces (host/HostDesignObject.h) is
// handed the command line's settings here.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Command.h"
#include "hostlib/ComponentRegistry.h"
#include "lumora/BVLumora.h"

namespace lumora {
class DesignObjectFile;
}

namespace lumora::cli {

// One interface pointer with its reference, released at the end of the scope.
template <class Interface>
class Ref {
 public:
  Ref() = default;
  explicit Ref(Interface* p) : p_(p) {}
  ~Ref() { Reset(); }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Interface* get() const { return p_; }
  Interface* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  Interface** Out() {
    Reset();
    return &p_;
  }
  // Takes over the reference `p` carries.
  void Adopt(Interface* p) {
    Reset();
    p_ = p;
  }
  void Reset() {
    if (p_ != nullptr) p_->lpVtbl->Release(p_);
    p_ = nullptr;
  }

 private:
  Interface* p_ = nullptr;
};

class Component {
 public:
  // The library that the user's component registry names for LumoraCtl, else the one of lumora's
  // own tree, else the one a system-wide registry names; throws HostError when a
  // registry or the library it names is not trusted.
  static CheckedLibrary Locate();
  // libBVLumora.so of lumora's own tree: beside the binary, else in the installed library folder.
  static std::string LocateBesideLumora();
  // Loads the library at `path`, or the one checked; throws HostError.
  static Component Load(const std::string& path);
  static Component Load(CheckedLibrary checked);

  const std::string& path() const { return path_; }
  LumoraDllRegisterServerFn registerServer = nullptr;
  LumoraDllUnregisterServerFn unregisterServer = nullptr;
  LumoraDllGetClassObjectFn getClassObject = nullptr;
  LumoraDllCanUnloadNowFn canUnloadNow = nullptr;

  // A new LumoraCtl through the class factory, asked for `iid` (IID_IDevWizard or
  // IID_ISetupDesignObjectBuild); throws HostError when it cannot be made.
  void* CreateLumoraCtl(const LumoraGuid& iid) const;

 private:
  std::string path_;
};

// The first two steps of every command that asks the component: the design-object file named on
// the command line, and a new LumoraCtl for `iid` from the located component. Both throw
// HostError: a refused file or registry is bad input, a component that cannot be made NotDone.
std::shared_ptr<DesignObjectFile> LoadObject(const std::string& path);
void* CreateLumoraCtl(const LumoraGuid& iid);

// The host's design object over `file` (shared with the caller), answering IHostSite with the
// invocation's settings; one reference for the caller.
IDesignObject* NewHostDesignObject(std::shared_ptr<DesignObjectFile> file,
                                   const Invocation& invocation, LumoraWizardMode mode);

// What a failing call of the component said, ready to print.
struct CallFailure {
  LumoraHResult result = LUMORA_S_OK;
  int32_t number = 0;
  std::string description;
  std::string source;
};
CallFailure ReadCallFailure(LumoraHResult result, IFailureInfo* error);

// "0x80004005"
std::string ResultText(LumoraHResult result);

}  // namespace lumora::cli
