// LumoraCtl's automation face on Windows: the dual interface ILumoraCtl, whose Display and
// IsIncluded take the design object as a VARIANT and the feature path as a BSTR, convert them in
// the adapter and call the object's own IDevWizard and ISetupDesignObjectBuild. A design object is
// an object that answers IDesignObject (BVLumora.DesignObjectFile does); a failure reaches the
// script host as its error info.
#include "component/AutomationFace.h"
#include "automation/Automation.h"
#include "automation/AutomationValues.h"
#include "component/com/ComTypes.h"
#include "contract/Failure.h"
#include "marshal/Marshal.h"

namespace lumora::com {
namespace {

// A failed call of the component: its failure info becomes the script's error. A classic run-time
// error keeps its number the way script engines read one (FACILITY_CONTROL: VBScript's Err.Number
// is 9 for "Subscript out of range"); a failure without a number keeps the call's result.
HRESULT RaiseCallFailure(HRESULT result, IFailureInfo* error) {
  const marshal::FailureText failure = marshal::ReadFailureInfo(error);
  marshal::ReleaseInterface(error);
  if (failure.number > 0 && failure.number <= 0xFFFF) {
    result = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, failure.number);
  }
  return Raise(result, failure.description,
               failure.source.empty() ? kComponentSource : failure.source);
}

// The design object a VARIANT holds (null for Empty, Null and Nothing), or a result to answer.
HRESULT DesignObjectOf(const VARIANT& given, IDesignObject** object) {
  const HRESULT result =
      ObjectFromVariant(given, IID_IDesignObject, reinterpret_cast<void**>(object));
  if (result == E_NOINTERFACE || result == DISP_E_TYPEMISMATCH) {
    return Raise(DISP_E_TYPEMISMATCH,
                 "the design object is not one: make it with "
                 "CreateObject(\"" LUMORA_DESIGN_OBJECT_FILE_PROGID "\")",
                 kComponentSource);
  }
  return result;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class LumoraCtlDispatch final : public Dispatch<ILumoraCtl, IID_ILumoraCtl> {
 public:
  LumoraCtlDispatch(IDevWizard* wizard, ISetupDesignObjectBuild* build)
      : wizard_(wizard), build_(build) {}

  // The object's identity and reference count are LumoraCtl's own.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return wizard_->lpVtbl->QueryInterface(wizard_, &iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return wizard_->lpVtbl->AddRef(wizard_); }
  ULONG STDMETHODCALLTYPE Release() override { return wizard_->lpVtbl->Release(wizard_); }

  HRESULT STDMETHODCALLTYPE Display(VARIANT oObject, VARIANT_BOOL* finished) override {
    if (finished == nullptr) return E_POINTER;
    *finished = VARIANT_FALSE;
    IDesignObject* object = nullptr;
    if (HRESULT hr = DesignObjectOf(oObject, &object); FAILED(hr)) return hr;
    int32_t result = 0;
    IFailureInfo* error = nullptr;
    const HRESULT hr = wizard_->lpVtbl->Display(wizard_, object, &result, &error);
    marshal::ReleaseInterface(object);
    if (FAILED(hr)) return RaiseCallFailure(hr, error);
    *finished = ToVariantBool(result != 0);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE IsIncluded(VARIANT pObject, BSTR FeaturePath,
                                       VARIANT_BOOL* included) override {
    if (included == nullptr) return E_POINTER;
    *included = VARIANT_FALSE;
    IDesignObject* object = nullptr;
    if (HRESULT hr = DesignObjectOf(pObject, &object); FAILED(hr)) return hr;
    int32_t result = 0;
    IFailureInfo* error = nullptr;
    HRESULT hr = E_OUTOFMEMORY;
    try {
      const std::string path = FromBstr(FeaturePath);
      hr = build_->lpVtbl->IsIncluded(build_, object, marshal::View(path), &result, &error);
    } catch (...) {
    }
    marshal::ReleaseInterface(object);
    if (FAILED(hr)) return RaiseCallFailure(hr, error);
    *included = ToVariantBool(result != 0);
    return S_OK;
  }

 private:
  IDevWizard* wizard_;
  ISetupDesignObjectBuild* build_;
};
#pragma GCC diagnostic pop

class DispatchFace final : public AutomationFace {
 public:
  DispatchFace(IDevWizard* wizard, ISetupDesignObjectBuild* build) : dispatch_(wizard, build) {}
  void* Find(const LumoraGuid& iid) override {
    if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_ILumoraCtl)) {
      return static_cast<ILumoraCtl*>(&dispatch_);
    }
    return nullptr;
  }

 private:
  LumoraCtlDispatch dispatch_;
};

}  // namespace

std::unique_ptr<AutomationFace> NewAutomationFace(IDevWizard* wizard,
                                                  ISetupDesignObjectBuild* build) {
  return std::make_unique<DispatchFace>(wizard, build);
}

}  // namespace lumora::com
