// BVLumora.dll as a COM client sees it, loaded beside the suite without registration: its class
// factories, one identity per object across the component's interfaces and the automation one,
// late-bound calls through IDispatch, script errors, and DllCanUnloadNow. Windows build only.
#include <windows.h>

#include <gtest/gtest.h>
#include <oleauto.h>

#include <string>

#include "component/com/AutomationValues.h"
#include "lumora/BVLumora.h"

namespace lumora::com {
namespace {

struct Library {
  HMODULE module = nullptr;
  LumoraDllGetClassObjectFn getClassObject = nullptr;
  LumoraDllCanUnloadNowFn canUnloadNow = nullptr;
  Library() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"BVLumora.dll";
    module = LoadLibraryW(path.c_str());
    getClassObject = reinterpret_cast<LumoraDllGetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    canUnloadNow = reinterpret_cast<LumoraDllCanUnloadNowFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  }
};
const Library& Dll() {
  static const Library library;
  return library;
}

// A new object of `clsid` for `iid` through the library's class factory.
template <class Interface>
Interface* Create(const GUID& clsid, const IID& iid) {
  IClassFactory* factory = nullptr;
  EXPECT_EQ(Dll().getClassObject(&clsid, &IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  if (factory == nullptr) return nullptr;
  Interface* object = nullptr;
  EXPECT_EQ(factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object)), S_OK);
  factory->Release();
  return object;
}

IUnknown* Identity(void* face, const IID& iid) {
  IUnknown* asked = nullptr;
  // Every face starts with IUnknown's three methods.
  static_cast<IUnknown*>(face)->QueryInterface(iid, reinterpret_cast<void**>(&asked));
  IUnknown* identity = nullptr;
  if (asked != nullptr) {
    asked->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    asked->Release();
    identity->Release();  // the object lives on through `face`
  }
  return identity;
}

TEST(ComServer, EachClassAnswersItsInterfacesWithOneIdentity) {
  ASSERT_NE(Dll().getClassObject, nullptr);
  struct Row {
    const GUID* clsid;
    std::vector<const IID*> interfaces;
  };
  const Row rows[] = {
      {&CLSID_LumoraCtl,
       {&IID_IDispatch, &IID_ILumoraCtl, &IID_IDevWizard, &IID_ISetupDesignObjectBuild}},
      {&CLSID_DesignObjectFile,
       {&IID_IDispatch, &IID_IDesignObjectFile, &IID_IDesignObject, &IID_IHostSite}},
  };
  for (const Row& row : rows) {
    IUnknown* object = Create<IUnknown>(*row.clsid, IID_IUnknown);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(Dll().canUnloadNow(), S_FALSE);
    for (const IID* iid : row.interfaces) EXPECT_EQ(Identity(object, *iid), object);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(object->Release(), 0u);
  }
  EXPECT_EQ(Dll().canUnloadNow(), S_OK);
  void* factory = nullptr;
  EXPECT_EQ(Dll().getClassObject(&IID_IDevWizard, &IID_IClassFactory, &factory),
            CLASS_E_CLASSNOTAVAILABLE);
}

// Calls `name` of `object` late-bound, as a script host does, with `args` in their order.
HRESULT Call(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result,
             std::string* description) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());  // IDispatch takes them last first
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  EXCEPINFO exception{};
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                      &exception, nullptr);
  if (hr == DISP_E_EXCEPTION) {
    if (description != nullptr) *description = FromBstr(exception.bstrDescription);
    hr = exception.scode;
  }
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  return hr;
}

VARIANT Text(const wchar_t* text) {
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(text);
  return v;
}

TEST(ComServer, ScriptsCallThroughIDispatchAndSeeTheComponentsErrors) {
  IDispatch* control = Create<IDispatch>(CLSID_LumoraCtl, IID_IDispatch);
  IDispatch* object = Create<IDispatch>(CLSID_DesignObjectFile, IID_IDispatch);
  ASSERT_NE(control, nullptr);
  ASSERT_NE(object, nullptr);
  VARIANT none;
  VariantInit(&none);
  VARIANT result;
  VariantInit(&result);
  std::string description;

  // No object: the answer is false, not a failure.
  VARIANT path = Text(L"ODBC");
  EXPECT_EQ(Call(control, L"IsIncluded", {none, path}, &result, nullptr), S_OK);
  EXPECT_EQ(V_VT(&result), VT_BOOL);
  EXPECT_EQ(V_BOOL(&result), VARIANT_FALSE);
  // An object that is no design object.
  VARIANT self;
  V_VT(&self) = VT_DISPATCH, V_DISPATCH(&self) = control;
  EXPECT_EQ(Call(control, L"IsIncluded", {self, path}, &result, &description), DISP_E_TYPEMISMATCH);
  EXPECT_NE(description.find("BVLumora.DesignObjectFile"), std::string::npos) << description;
  // A design object never opened: the component's failure 91, with its description.
  VARIANT design;
  V_VT(&design) = VT_DISPATCH, V_DISPATCH(&design) = object;
  VARIANT reading = Text(L"DTDB 3.5");  // a path whose answer reads the object
  EXPECT_EQ(Call(control, L"IsIncluded", {design, reading}, &result, &description),
            MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 91));
  EXPECT_NE(description.find("call Open"), std::string::npos) << description;
  // A file that is not there: the host's message names it.
  VARIANT missing = Text(L"no-such-object.json");
  EXPECT_TRUE(FAILED(Call(object, L"Open", {missing}, &result, &description)));
  EXPECT_NE(description.find("no-such-object.json"), std::string::npos) << description;
  // An object as a property value has no design-object form.
  VARIANT name = Text(L"Drivers");
  EXPECT_EQ(Call(object, L"PutProperty", {name, self}, &result, &description), DISP_E_TYPEMISMATCH);

  VariantClear(&path);
  VariantClear(&reading);
  VariantClear(&missing);
  VariantClear(&name);
  // LumoraCtl holds the host site it was called with while it lives.
  EXPECT_EQ(control->Release(), 0u);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(Dll().canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace lumora::com
