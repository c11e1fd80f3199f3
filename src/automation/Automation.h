// What every automation object of our COM servers shares: the type library embedded in the server
// library that links this code (resource TYPELIB 1), IDispatch answered from its type information
// (Dispatch<Interface>), and a failure handed to the script host as the thread's error info (its
// description, its source).
#pragma once

#include <oaidl.h>

#include <string>

namespace lumora::com {

// The path of the server library (the DLL) that holds this code.
std::string OwnModulePath();
// The type information of `iid` in the library's own type library (not a reference for the
// caller), or null when it cannot be loaded.
ITypeInfo* TypeInfoOf(const IID& iid);
// The type library itself (one reference for the caller) in *library; its path in *path.
HRESULT LoadOwnTypeLibrary(ITypeLib** library, std::wstring* path);

// Sets the thread's error info to `description` from `source` and answers `result`.
HRESULT Raise(HRESULT result, const std::string& description, const std::string& source);

// IDispatch of a dual interface, answered from its type information.
// COM interfaces have no virtual destructor: an object deletes itself in its last Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <class Interface, const IID& kIid>
class Dispatch : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (info == nullptr) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    ITypeInfo* own = TypeInfoOf(kIid);
    if (own == nullptr) return TYPE_E_CANTLOADLIBRARY;
    own->AddRef();
    *info = own;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    ITypeInfo* own = TypeInfoOf(kIid);
    if (own == nullptr) return TYPE_E_CANTLOADLIBRARY;
    return DispGetIDsOfNames(own, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argument) override {
    ITypeInfo* own = TypeInfoOf(kIid);
    if (own == nullptr) return TYPE_E_CANTLOADLIBRARY;
    return DispInvoke(static_cast<Interface*>(this), own, id, flags, params, result, exception,
                      argument);
  }
};
#pragma GCC diagnostic pop

}  // namespace lumora::com
