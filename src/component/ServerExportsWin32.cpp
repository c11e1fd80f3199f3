// The COM exports of BVLumora.dll: DllGetClassObject hands out the class factory (the system's
// IClassFactory) of each creatable class, DllCanUnloadNow tells COM whether the library may go.
#include <objbase.h>

#include <atomic>
#include <new>

#include "component/ComponentState.h"
#include "component/CreatableClasses.h"
#include "marshal/Marshal.h"

namespace lumora::com {
namespace {

// COM interfaces have no virtual destructor: an object deletes itself in its last Release.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(CreateFn create) : create_(create) { ++LiveObjects(); }
  ~ClassFactory() { --LiveObjects(); }
  ClassFactory(const ClassFactory&) = delete;
  ClassFactory& operator=(const ClassFactory&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
      return E_NOINTERFACE;
    }
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return create_(&iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++ServerLocks();
    } else if (ServerLocks() > 0) {
      --ServerLocks();
    }
    return S_OK;
  }

 private:
  CreateFn create_;
  std::atomic<ULONG> references_{1};
};

}  // namespace
}  // namespace lumora::com

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  using namespace lumora::com;
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  const CreatableClass* creatable = FindCreatableClass(clsid);
  if (creatable == nullptr) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new (std::nothrow) ClassFactory(creatable->create);
  if (factory == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = factory->QueryInterface(iid, out);
  factory->Release();
  return result;
}

STDAPI DllCanUnloadNow() {
  using namespace lumora::com;
  return LiveObjects() == 0 && ServerLocks() == 0 ? S_OK : S_FALSE;
}
