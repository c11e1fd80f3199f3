// DesignObjectFile: IDesignObjectFile for scripts (Open, Save, Path, GetProperty, PutProperty and
// the host settings), and towards the component the same object's IDesignObject over the file and
// IHostSite with those settings: a WizardScript set makes Display play that script headless, its
// output on the process's standard output, as `lumora wizard --script` does; error reports go to
// standard error in lumora's format.
#include "component/com/DesignObjectFileObject.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <new>
#include <unordered_map>

#include "component/ComponentState.h"
#include "component/com/Automation.h"
#include "component/com/AutomationValues.h"
#include "component/com/ComTypes.h"
#include "contract/Failure.h"
#include "contract/HostError.h"
#include "host/DesignObjectFile.h"
#include "hostlib/HostSettings.h"
#include "hostlib/StderrErrorReport.h"
#include "marshal/ComObject.h"
#include "marshal/Marshal.h"

namespace lumora::com {
namespace {

using marshal::Copy;
using marshal::View;

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

// Turns the exception being handled into a failure info for the component.
LumoraHResult ComponentFailure(IFailureInfo** error) {
  marshal::FailureText text{kInternalError, "", kComponentSource};
  try {
    throw;
  } catch (const Failure& f) {
    text = {f.number(), f.description(), f.source()};
  } catch (const std::exception& e) {
    text.description = e.what();
  }
  if (error != nullptr) *error = marshal::NewFailureInfo(std::move(text), &LiveObjects());
  return LUMORA_DISP_E_EXCEPTION;
}

// The error-report object: one line on standard error per report.
struct StderrReport : marshal::ComObject<StderrReport> {
  marshal::Face<IErrorReport, StderrReport> face;

  StderrReport();
  ~StderrReport() { --LiveObjects(); }
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
using ReportUnknown = marshal::Unknown<IErrorReport, StderrReport>;
const IErrorReportVtbl kReportVtbl = {ReportUnknown::QueryInterface, ReportUnknown::AddRef,
                                      ReportUnknown::Release, StderrReport::ReportError};
StderrReport::StderrReport() : face{&kReportVtbl, this} {
  ++LiveObjects();
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class FileObject final : public Dispatch<IDesignObjectFile, IID_IDesignObjectFile> {
 public:
  FileObject();
  ~FileObject() { --LiveObjects(); }
  FileObject(const FileObject&) = delete;
  FileObject& operator=(const FileObject&) = delete;

  // ---- IUnknown: one identity for the script's interface and the component's two
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, IID_IDesignObjectFile)) {
      *out = static_cast<IDesignObjectFile*>(this);
    } else if (IsEqualIID(iid, IID_IDesignObject)) {
      *out = design_.get();
    } else if (IsEqualIID(iid, IID_IHostSite)) {
      *out = site_.get();
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // ---- IDesignObjectFile
  HRESULT STDMETHODCALLTYPE Open(BSTR path) override {
    try {
      file_ = std::make_shared<DesignObjectFile>(DesignObjectFile::Load(FromBstr(path)));
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
    return Text(file_ != nullptr ? file_->path() : std::string(), path);
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
  HRESULT STDMETHODCALLTYPE get_WizardScript(BSTR* path) override { return Text(script_, path); }
  HRESULT STDMETHODCALLTYPE put_WizardScript(BSTR path) override { return Set(script_, path); }
  HRESULT STDMETHODCALLTYPE get_ComponentDir(BSTR* folder) override {
    return Text(settings_.componentDir, folder);
  }
  HRESULT STDMETHODCALLTYPE put_ComponentDir(BSTR folder) override {
    return Set(settings_.componentDir, folder);
  }
  HRESULT STDMETHODCALLTYPE get_Registry(BSTR* source) override {
    return Text(settings_.registry, source);
  }
  HRESULT STDMETHODCALLTYPE put_Registry(BSTR source) override {
    return Set(settings_.registry, source);
  }
  HRESULT STDMETHODCALLTYPE get_HostConfig(BSTR* file) override {
    return Text(settings_.hostConfig, file);
  }
  HRESULT STDMETHODCALLTYPE put_HostConfig(BSTR file) override {
    return Set(settings_.hostConfig, file);
  }
  HRESULT STDMETHODCALLTYPE get_RegistryView(LONG* view) override {
    if (view == nullptr) return E_POINTER;
    *view = settings_.registryView;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_RegistryView(LONG view) override {
    if (view != 0 && view != 32 && view != 64) {
      return Raise(E_INVALIDARG, "RegistryView is 32 or 64", kComponentSource);
    }
    settings_.registryView = view == 0 ? 32 : static_cast<int>(view);
    return S_OK;
  }

  // ---- IDesignObject and IHostSite, for the component
  static FileObject* Of(IDesignObject* self) {
    return marshal::Face<IDesignObject, FileObject>::OwnerOf(self);
  }
  static FileObject* Of(IHostSite* self) {
    return marshal::Face<IHostSite, FileObject>::OwnerOf(self);
  }
  static LumoraHResult LUMORA_CALL QueryOf(IDesignObject* self, const LumoraGuid* iid, void** out) {
    return iid == nullptr ? LUMORA_E_INVALIDARG : Of(self)->QueryInterface(*iid, out);
  }
  static LumoraRefCount LUMORA_CALL AddRefOf(IDesignObject* self) { return Of(self)->AddRef(); }
  static LumoraRefCount LUMORA_CALL ReleaseOf(IDesignObject* self) { return Of(self)->Release(); }
  static LumoraHResult LUMORA_CALL QueryOf(IHostSite* self, const LumoraGuid* iid, void** out) {
    return iid == nullptr ? LUMORA_E_INVALIDARG : Of(self)->QueryInterface(*iid, out);
  }
  static LumoraRefCount LUMORA_CALL AddRefOf(IHostSite* self) { return Of(self)->AddRef(); }
  static LumoraRefCount LUMORA_CALL ReleaseOf(IHostSite* self) { return Of(self)->Release(); }

  static LumoraHResult LUMORA_CALL GetPropertyOf(IDesignObject* self, LumoraString name,
                                                 LumoraValue* value, IFailureInfo** error) {
    if (error != nullptr) *error = nullptr;
    if (value == nullptr) return LUMORA_E_POINTER;
    *value = LumoraValue{};
    try {
      FileObject* object = Of(self);
      Value property = object->Opened().GetProperty(Copy(name));
      *value = marshal::ViewCValue(property);
      if (const void* table = marshal::TableOf(*value)) object->lent_.emplace(table, property);
      return LUMORA_S_OK;
    } catch (...) {
      return ComponentFailure(error);
    }
  }
  static LumoraHResult LUMORA_CALL PutPropertyOf(IDesignObject* self, LumoraString name,
                                                 const LumoraValue* value, IFailureInfo** error) {
    if (error != nullptr) *error = nullptr;
    if (value == nullptr) return LUMORA_E_POINTER;
    try {
      Of(self)->Opened().PutProperty(Copy(name), marshal::FromCValue(*value));
      return LUMORA_S_OK;
    } catch (...) {
      return ComponentFailure(error);
    }
  }
  static void LUMORA_CALL FreeValueOf(IDesignObject* self, LumoraValue* value) {
    if (value == nullptr) return;
    const void* table = marshal::TableOf(*value);
    marshal::FreeCView(*value);
    if (table != nullptr) Of(self)->lent_.erase(table);
  }
  static LumoraHResult LUMORA_CALL GetSettingsOf(IHostSite* self, LumoraHostSettings* out) {
    if (out == nullptr) return LUMORA_E_POINTER;
    const FileObject* object = Of(self);
    out->componentDir = View(object->settings_.componentDir);
    out->registry = View(object->settings_.registry);
    out->hostConfig = View(object->settings_.hostConfig);
    out->registryView = object->settings_.registryView;
    out->wizardMode = object->script_.empty() ? LUMORA_WIZARD_WINDOW : LUMORA_WIZARD_SCRIPT;
    out->script = View(object->script_);
    return LUMORA_S_OK;
  }
  static LumoraHResult LUMORA_CALL CreateErrorReportOf(IHostSite*, IErrorReport** report) {
    if (report == nullptr) return LUMORA_E_POINTER;
    auto* made = new (std::nothrow) StderrReport();
    if (made == nullptr) return LUMORA_E_OUTOFMEMORY;
    *report = made->face.get();
    return LUMORA_S_OK;
  }

 private:
  DesignObjectFile& Opened() {
    if (file_ == nullptr) {
      throw Failure(kObjectNotSet, "no design object: call Open with its file first",
                    kComponentSource);
    }
    return *file_;
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
  marshal::Face<IDesignObject, FileObject> design_;
  marshal::Face<IHostSite, FileObject> site_;
  std::shared_ptr<DesignObjectFile> file_;
  // Values handed out by GetProperty as views of the file's own, by their table, until freed.
  std::unordered_map<const void*, Value> lent_;
  HostSettings settings_;
  std::string script_;
};
#pragma GCC diagnostic pop

const IDesignObjectVtbl kDesignVtbl = {FileObject::QueryOf,       FileObject::AddRefOf,
                                       FileObject::ReleaseOf,     FileObject::GetPropertyOf,
                                       FileObject::PutPropertyOf, FileObject::FreeValueOf};
const IHostSiteVtbl kSiteVtbl = {FileObject::QueryOf, FileObject::AddRefOf, FileObject::ReleaseOf,
                                 FileObject::GetSettingsOf, FileObject::CreateErrorReportOf};

FileObject::FileObject() : design_{&kDesignVtbl, this}, site_{&kSiteVtbl, this} {
  ++LiveObjects();
}

}  // namespace

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
