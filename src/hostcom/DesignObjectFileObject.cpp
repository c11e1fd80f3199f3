// DesignObjectFile: IDesignObjectFile for scripts (Open, Save, Path, GetProperty, PutProperty and
// the host settings), and towards the component the host's IDesignObject and IHostSite over the
// same file and settings (host/HostDesignObject.h), all with one identity: a WizardScript set makes
// Display play that script headless, its output on the process's standard output, as `lumora
// wizard --script` does; error reports go to standard error in lumora's format.
#include "hostcom/DesignObjectFileObject.h"

#include <memory>
#include <new>

#include "automation/Automation.h"
#include "automation/AutomationValues.h"
#include "contract/Failure.h"
#include "contract/HostError.h"
#include "host/DesignObjectFile.h"
#include "host/HostDesignObject.h"
#include "hostcom/HostTypes.h"

namespace lumora::com {
namespace {

// Turns the exception being handled into the script's error.
HRESULT ScriptFailure() {
  try {
    throw;
  } catch (const HostError& e) {
    return Raise(E_FAIL, e.what(), kComponentSource);
  } catch (const Failure& f) {
    return Raise(DISP_E_EXCEPTION, f.description(), f.source());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (const std::exception& e) {
    return Raise(E_UNEXPECTED, e.what(), kComponentSource);
  }
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class FileObject final : public Dispatch<IDesignObjectFile, IID_IDesignObjectFile>,
                         public FaceOwner {
 public:
  FileObject() : faces_(*this, &HostLiveObjects()) { ++HostLiveObjects(); }
  ~FileObject() { --HostLiveObjects(); }
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  // ---- IUnknown: one identity for the script's interface and the component's two
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID_IDesignObjectFile)) {
      *out = static_cast<IDesignObjectFile*>(this);
    } else {
      *out = faces_.Find(iid);
    }
    if (*out == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  LumoraHResult OwnerQueryInterface(const LumoraGuid* iid, void** out) override {
    if (iid == nullptr) return E_INVALIDARG;
    return QueryInterface(*iid, out);
  }
  LumoraRefCount OwnerAddRef() override { return AddRef(); }
  LumoraRefCount OwnerRelease() override { return Release(); }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // ---- IDesignObjectFile
  HRESULT STDMETHODCALLTYPE Open(BSTR path) override {
    try {
      state().file = std::make_shared<DesignObjectFile>(DesignObjectFile::Load(FromBstr(path)));
      return S_OK;
    } catch (...) {
      return ScriptFailure();
    }
  }
  HRESULT STDMETHODCALLTYPE Save() override {
    try {
      Opened().Save();
      return S_OK;
    } catch (...) {
      return ScriptFailure();
    }
  }
  HRESULT STDMETHODCALLTYPE get_Path(BSTR* path) override {
    return Text(state().file != nullptr ? state().file->path() : std::string(), path);
  }
  HRESULT STDMETHODCALLTYPE GetProperty(BSTR name, VARIANT* value) override {
    if (value == nullptr) return E_POINTER;
    VariantInit(value);
    try {
      const HRESULT hr = ToVariant(Opened().GetProperty(FromBstr(name)), value);
      if (FAILED(hr))
        return Raise(hr, "the property " + FromBstr(name) + " has no automation form",
                     kComponentSource);
      return S_OK;
    } catch (...) {
      return ScriptFailure();
    }
  }
  HRESULT STDMETHODCALLTYPE PutProperty(BSTR name, VARIANT given) override {
    try {
      Value value;
      const HRESULT hr = FromVariant(given, value);
      if (FAILED(hr))
        return Raise(hr, "the value for " + FromBstr(name) + " has no design-object form",
                     kComponentSource);
      Opened().PutProperty(FromBstr(name), value);
      return S_OK;
    } catch (...) {
      return ScriptFailure();
    }
  }
  HRESULT STDMETHODCALLTYPE get_WizardScript(BSTR* path) override {
    return Text(state().script, path);
  }
  HRESULT STDMETHODCALLTYPE put_WizardScript(BSTR path) override {
    const HRESULT hr = Set(state().script, path);
    state().mode = state().script.empty() ? LUMORA_WIZARD_WINDOW : LUMORA_WIZARD_SCRIPT;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE get_ComponentDir(BSTR* folder) override {
    return Text(state().settings.componentDir, folder);
  }
  HRESULT STDMETHODCALLTYPE put_ComponentDir(BSTR folder) override {
    return Set(state().settings.componentDir, folder);
  }
  HRESULT STDMETHODCALLTYPE get_Registry(BSTR* source) override {
    return Text(state().settings.registry, source);
  }
  HRESULT STDMETHODCALLTYPE put_Registry(BSTR source) override {
    return Set(state().settings.registry, source);
  }
  HRESULT STDMETHODCALLTYPE get_HostConfig(BSTR* file) override {
    return Text(state().settings.hostConfig, file);
  }
  HRESULT STDMETHODCALLTYPE put_HostConfig(BSTR file) override {
    return Set(state().settings.hostConfig, file);
  }
  HRESULT STDMETHODCALLTYPE get_RegistryView(LONG* view) override {
    if (view == nullptr) return E_POINTER;
    *view = state().settings.registryView;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_RegistryView(LONG view) override {
    if (view != 0 && view != 32 && view != 64) {
      return Raise(E_INVALIDARG, "RegistryView is 32 or 64", kComponentSource);
    }
    state().settings.registryView = view == 0 ? 32 : static_cast<int>(view);
    return S_OK;
  }

 private:
  HostObjectState& state() { return faces_.state; }
  DesignObjectFile& Opened() {
    if (state().file == nullptr) {
      throw Failure(kObjectNotSet, "no design object: call Open with its file first",
                    kComponentSource);
    }
    return *state().file;
  }
  static HRESULT Text(const std::string& text, BSTR* out) {
    if (out == nullptr) return E_POINTER;
    try {
      *out = ToBstr(text);
      return S_OK;
    } catch (...) {
      *out = nullptr;
      return E_OUTOFMEMORY;
    }
  }
  static HRESULT Set(std::string& field, BSTR text) {
    try {
      field = FromBstr(text);
      return S_OK;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }

  std::atomic<ULONG> references_{1};
  HostFaces faces_;
};
#pragma GCC diagnostic pop

}  // namespace

std::atomic<long>& HostLiveObjects() {
  static std::atomic<long> count{0};
  return count;
}

std::atomic<long>& HostServerLocks() {
  static std::atomic<long> count{0};
  return count;
}

LumoraHResult NewDesignObjectFile(const LumoraGuid* iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  auto* object = new (std::nothrow) FileObject();
  if (object == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = object->QueryInterface(*iid, out);
  object->Release();
  return result;
}

}  // namespace lumora::com
