// BVLumora.dll and BVLumoraHost.dll as a COM client sees them, loaded beside the suite without
// registration: their type libraries, class factories, one identity per object across the
// component's interfaces and the automation one, late-bound calls through IDispatch, script
// errors, and DllCanUnloadNow. Windows build only.
#include <windows.h>

#include <gtest/gtest.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "automation/AutomationValues.h"
#include "lumora/BVLumora.h"

namespace lumora::com {
namespace {

std::wstring Beside(const wchar_t* name) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path(self);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

// A server library beside the suite, loaded once.
struct Library {
  LumoraDllGetClassObjectFn getClassObject = nullptr;
  LumoraDllCanUnloadNowFn canUnloadNow = nullptr;
  explicit Library(const wchar_t* name) {
    HMODULE module = LoadLibraryW(Beside(name).c_str());
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

// Its arguments in a vector, for a table's row.
template <class Item, class... Items>
std::vector<Item> List(Items... items) {
  return {items...};
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

// Each library's type library: version 1.0, LCID 0, and the GUIDs of BVLumora.h by their names.
TEST(ComServer, EachLibraryEmbedsItsTypeLibrary) {
  const struct {
    const wchar_t* dll;
    const GUID* libid;  // null: BVLumora.h names none
    const char* name;
    const GUID *classId, *interfaceId;
    const char *className, *interfaceName;
  } rows[] = {
      {L"BVLumora.dll", &LIBID_BVLumora, "BVLumora", &CLSID_LumoraCtl, &IID_ILumoraCtl, "LumoraCtl",
       "ILumoraCtl"},
      {L"BVLumoraHost.dll", nullptr, "BVLumoraHost", &CLSID_DesignObjectFile,
       &IID_IDesignObjectFile, "DesignObjectFile", "IDesignObjectFile"},
  };
  for (const auto& row : rows) {
    ITypeLib* library = nullptr;
    ASSERT_EQ(LoadTypeLibEx(Beside(row.dll).c_str(), REGKIND_NONE, &library), S_OK) << row.name;
    TLIBATTR* attributes = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->wMajorVerNum * 100 + attributes->wMinorVerNum + attributes->lcid, 100u);
    EXPECT_TRUE(row.libid == nullptr || IsEqualGUID(attributes->guid, *row.libid)) << row.name;
    library->ReleaseTLibAttr(attributes);
    BSTR libraryName = nullptr;
    library->GetDocumentation(-1, &libraryName, nullptr, nullptr, nullptr);
    EXPECT_EQ(FromBstr(libraryName), row.name);
    SysFreeString(libraryName);
    for (const auto& [guid, name] :
         {std::pair{row.classId, row.className}, std::pair{row.interfaceId, row.interfaceName}}) {
      ITypeInfo* info = nullptr;
      ASSERT_EQ(library->GetTypeInfoOfGuid(*guid, &info), S_OK) << name;
      BSTR typeName = nullptr;
      info->GetDocumentation(MEMBERID_NIL, &typeName, nullptr, nullptr, nullptr);
      EXPECT_EQ(FromBstr(typeName), name);
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
  const struct {
    const Library* dll;
    const GUID* clsid;
    const GUID* other;                   // a class the library does not make
    std::vector<const IID*> interfaces;  // each answered with the object's identity
  } rows[] = {
      {&Component(), &CLSID_LumoraCtl, &CLSID_DesignObjectFile,
       List<const IID*>(&IID_IDispatch, &IID_ILumoraCtl, &IID_IDevWizard,
                        &IID_ISetupDesignObjectBuild)},
      {&Host(), &CLSID_DesignObjectFile, &CLSID_LumoraCtl,
       List<const IID*>(&IID_IDispatch, &IID_IDesignObjectFile, &IID_IDesignObject,
                        &IID_IHostSite)},
  };
  for (const auto& row : rows) {
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
    void* factory = nullptr;
    EXPECT_EQ(row.dll->getClassObject(row.other, &IID_IClassFactory, &factory),
              CLASS_E_CLASSNOTAVAILABLE);
  }
}

VARIANT Arg(const wchar_t* text) {
  VARIANT v;
  V_VT(&v) = VT_BSTR, V_BSTR(&v) = SysAllocString(text);
  return v;
}
VARIANT Arg(IDispatch* object) {
  VARIANT v;
  V_VT(&v) = VT_DISPATCH, V_DISPATCH(&v) = object;
  return v;
}

// Calls `name` of `object` late-bound, as a script host does, with `args` in their order (the
// strings among them freed); the error's description in *description.
HRESULT Call(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args,
             std::string* description = nullptr) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());  // IDispatch takes them last first
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  EXCEPINFO exception{};
  VARIANT result;
  VariantInit(&result);
  if (SUCCEEDED(hr)) {
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                        &exception, nullptr);
  }
  if (hr == DISP_E_EXCEPTION) {
    if (description != nullptr) *description = FromBstr(exception.bstrDescription);
    hr = exception.scode;
  } else if (hr == S_OK && V_VT(&result) == VT_BOOL) {
    hr = V_BOOL(&result) ? S_OK : S_FALSE;  // the answer, for the table
  }
  for (VARIANT& arg : args) {
    if (V_VT(&arg) == VT_BSTR) VariantClear(&arg);
  }
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  return hr;
}

TEST(ComServer, ScriptsCallThroughIDispatchAndSeeTheComponentsErrors) {
  IDispatch* control = Create<IDispatch>(Component(), CLSID_LumoraCtl, IID_IDispatch);
  IDispatch* object = Create<IDispatch>(Host(), CLSID_DesignObjectFile, IID_IDispatch);
  ASSERT_NE(control, nullptr);
  ASSERT_NE(object, nullptr);
  VARIANT none;
  VariantInit(&none);
  const struct {
    const char* name;
    IDispatch* callee;
    const wchar_t* method;
    std::vector<VARIANT> args;
    HRESULT result;  // S_FALSE: the answer false
    const char* described;
  } rows[] = {
      {"no object: false, not a failure", control, L"IsIncluded", List<VARIANT>(none, Arg(L"ODBC")),
       S_FALSE, nullptr},
      {"an object that is no design object", control, L"IsIncluded",
       List<VARIANT>(Arg(control), Arg(L"ODBC")), DISP_E_TYPEMISMATCH, "BVLumora.DesignObjectFile"},
      {"a design object never opened: the component's failure 91", control, L"IsIncluded",
       List<VARIANT>(Arg(object), Arg(L"DTDB 3.5")),
       MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 91), "call Open"},
      {"a file that is not there", object, L"Open", List<VARIANT>(Arg(L"no-such-object.json")),
       E_FAIL, "no-such-object.json"},
      {"an object as a property value", object, L"PutProperty",
       List<VARIANT>(Arg(L"Drivers"), Arg(control)), DISP_E_TYPEMISMATCH, "Drivers"},
  };
  for (const auto& row : rows) {
    std::string description;
    EXPECT_EQ(Call(row.callee, row.method, row.args, &description), row.result) << row.name;
    EXPECT_TRUE(row.described == nullptr || description.find(row.described) != std::string::npos)
        << row.name << ": " << description;
  }
  // LumoraCtl holds the host site it was called with while it lives.
  EXPECT_EQ(control->Release(), 0u);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(Component().canUnloadNow(), S_OK);
  EXPECT_EQ(Host().canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace lumora::com
