// BVLumora.dll and BVLumoraHost.dll as a COM client sees them, loaded beside the suite without
// registration: their type libraries, class factories, one identity per object across the
// component's interfaces and the automation one, late-bound calls through IDispatch, script
// errors, and DllCanUnloadNow. Windows build only.
#include <windows.h>

#include <gtest/gtest.h>
#include <oleauto.h>

#include <string>

#include "automation/AutomationValues.h"
#include "lumora/BVLumora.h"

namespace lumora::com {
namespace {

// A server library beside the suite, loaded once, without registration.
struct Library {
  LumoraDllGetClassObjectFn getClassObject = nullptr;
  LumoraDllCanUnloadNowFn canUnloadNow = nullptr;
  explicit Library(const wchar_t* name) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + name;
    HMODULE module = LoadLibraryW(path.c_str());
    getClassObject = reinterpret_cast<LumoraDllGetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    canUnloadNow = reinterpret_cast<LumoraDllCanUnloadNowFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  }
};
const Library& Component() {
  static const Library library(L"BVLumora.dll");
  return library;
}
const Library& Host() {
  static const Library library(L"BVLumoraHost.dll");
  return library;
}

// A new object of `clsid` for `iid` through the class factory of `dll`.
template <class Interface>
Interface* Create(const Library& dll, const GUID& clsid, const IID& iid) {
  IClassFactory* factory = nullptr;
  EXPECT_EQ(dll.getClassObject(&clsid, &IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  if (factory == nullptr) return nullptr;
  Interface* object = nullptr;
  EXPECT_EQ(factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&object)), S_OK);
  factory->Release();
  return object;
}

// The type library each library embeds: the GUIDs and names BVLumora.h and the installer's
// registry rows rely on, version 1.0, LCID 0.
TEST(ComServer, EachLibraryEmbedsItsTypeLibrary) {
  struct Type {
    const GUID* guid;
    const char* name;
    TYPEKIND kind;
  };
  const struct {
    const wchar_t* dll;
    const GUID* libid;  // null: BVLumora.h names none
    const char* name;
    const char* description;
    std::vector<Type> types;
  } rows[] = {
      {L"BVLumora.dll",
       &LIBID_BVLumora,
       "BVLumora",
       LUMORA_TYPELIB_DESCRIPTION,
       {{&CLSID_LumoraCtl, "LumoraCtl", TKIND_COCLASS},
        {&IID_ILumoraCtl, "ILumoraCtl", TKIND_DISPATCH}}},
      {L"BVLumoraHost.dll",
       nullptr,
       "BVLumoraHost",
       "Brevant Lumora Host Objects",
       {{&CLSID_DesignObjectFile, "DesignObjectFile", TKIND_COCLASS},
        {&IID_IDesignObjectFile, "IDesignObjectFile", TKIND_DISPATCH}}},
  };
  for (const auto& row : rows) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + row.dll;
    ITypeLib* library = nullptr;
    ASSERT_EQ(LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library), S_OK) << row.name;
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->wMajorVerNum * 100 + attributes->wMinorVerNum, 100) << row.name;
    EXPECT_EQ(attributes->lcid, 0u);
    if (row.libid != nullptr) {
      EXPECT_TRUE(IsEqualGUID(attributes->guid, *row.libid));
    }
    library->ReleaseTLibAttr(attributes);
    BSTR name = nullptr, doc = nullptr;
    ASSERT_EQ(library->GetDocumentation(-1, &name, &doc, nullptr, nullptr), S_OK);
    EXPECT_EQ(FromBstr(name), row.name);
    EXPECT_EQ(FromBstr(doc), row.description);
    SysFreeString(name);
    SysFreeString(doc);
    for (const Type& type : row.types) {
      ITypeInfo* info = nullptr;
      ASSERT_EQ(library->GetTypeInfoOfGuid(*type.guid, &info), S_OK) << type.name;
      TYPEATTR* attribute = nullptr;
      info->GetTypeAttr(&attribute);
      EXPECT_EQ(attribute->typekind, type.kind) << type.name;
      info->ReleaseTypeAttr(attribute);
      BSTR typeName = nullptr;
      info->GetDocumentation(MEMBERID_NIL, &typeName, nullptr, nullptr, nullptr);
      EXPECT_EQ(FromBstr(typeName), type.name);
      SysFreeString(typeName);
      info->Release();
    }
    library->Release();
  }
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
  struct Row {
    const Library* dll;
    const GUID* clsid;
    std::vector<const IID*> interfaces;
  };
  const Row rows[] = {
      {&Component(),
       &CLSID_LumoraCtl,
       {&IID_IDispatch, &IID_ILumoraCtl, &IID_IDevWizard, &IID_ISetupDesignObjectBuild}},
      {&Host(),
       &CLSID_DesignObjectFile,
       {&IID_IDispatch, &IID_IDesignObjectFile, &IID_IDesignObject, &IID_IHostSite}},
  };
  for (const Row& row : rows) {
    ASSERT_NE(row.dll->getClassObject, nullptr);
    IUnknown* object = Create<IUnknown>(*row.dll, *row.clsid, IID_IUnknown);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(row.dll->canUnloadNow(), S_FALSE);
    for (const IID* iid : row.interfaces) EXPECT_EQ(Identity(object, *iid), object);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(row.dll->canUnloadNow(), S_OK);
    // Each library makes its own class only.
    const GUID* other = row.clsid == &CLSID_LumoraCtl ? &CLSID_DesignObjectFile : &CLSID_LumoraCtl;
    void* factory = nullptr;
    EXPECT_EQ(row.dll->getClassObject(other, &IID_IClassFactory, &factory),
              CLASS_E_CLASSNOTAVAILABLE);
  }
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
  IDispatch* control = Create<IDispatch>(Component(), CLSID_LumoraCtl, IID_IDispatch);
  IDispatch* object = Create<IDispatch>(Host(), CLSID_DesignObjectFile, IID_IDispatch);
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
  EXPECT_EQ(Component().canUnloadNow(), S_OK);
  EXPECT_EQ(Host().canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace lumora::com
