// DllRegisterServer, DllUnregisterServer and DllInstall of BVLumora.dll: its classes (LumoraCtl
// and DesignObjectFile) and its type library in the system registry. regsvr32 registers them for
// the machine under HKEY_CLASSES_ROOT; DllInstall with the command line "user" (regsvr32 /n
// /i:user) for this user only, under HKEY_CURRENT_USER\Software\Classes. Per class: CLSID\{...}
// with InprocServer32 (the library's path, ThreadingModel Apartment), ProgID,
// VersionIndependentProgID, TypeLib, Version and, for LumoraCtl, Control; the ProgID's key with
// its CLSID. The type library is resource TYPELIB 1 of the library, its help folder the library's
// own. Unregistering removes exactly these keys (a ProgID only while it names our class).
#include <olectl.h>
#include <windows.h>

#include <string>

#include "component/ComponentState.h"
#include "component/CreatableClasses.h"
#include "component/com/Automation.h"
#include "contract/WideText.h"
#include "marshal/Marshal.h"

// oleaut32 exports these (Windows Vista on); mingw-w64's oleauto.h does not declare them.
extern "C" {
WINOLEAUTAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpFolder);
WINOLEAUTAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid,
                                      SYSKIND kind);
}

namespace lumora::com {
namespace {

std::wstring GuidKey(const LumoraGuid& guid) {
  return Widen(marshal::GuidText(guid));
}

// One key of the classes root, open for writing; closed at the end of the scope.
class Key {
 public:
  Key(HKEY root, const std::wstring& path) {
    result_ = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                              nullptr, &key_, nullptr);
  }
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  // Sets the value `name` (null: the default value) to `text`; false when anything failed.
  bool Set(const wchar_t* name, const std::wstring& text) {
    if (result_ != ERROR_SUCCESS) return false;
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    result_ =
        RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
    return result_ == ERROR_SUCCESS;
  }
  bool ok() const { return result_ == ERROR_SUCCESS; }

 private:
  HKEY key_ = nullptr;
  LONG result_;
};

bool WriteClass(HKEY classes, const CreatableClass& creatable, const std::wstring& library) {
  const std::wstring clsid = L"CLSID\\" + GuidKey(*creatable.clsid);
  const std::wstring name = Widen(creatable.name), progId = Widen(creatable.progId);
  bool ok = Key(classes, clsid).Set(nullptr, name);
  Key server(classes, clsid + L"\\InprocServer32");
  ok = server.Set(nullptr, library) && server.Set(L"ThreadingModel", L"Apartment") && ok;
  ok = Key(classes, clsid + L"\\ProgID").Set(nullptr, progId) && ok;
  ok = Key(classes, clsid + L"\\VersionIndependentProgID").Set(nullptr, progId) && ok;
  ok = Key(classes, clsid + L"\\TypeLib").Set(nullptr, GuidKey(LIBID_BVLumora)) && ok;
  ok = Key(classes, clsid + L"\\Version").Set(nullptr, L"1.0") && ok;
  if (creatable.control) ok = Key(classes, clsid + L"\\Control").ok() && ok;
  ok = Key(classes, progId).Set(nullptr, name) && ok;
  ok = Key(classes, progId + L"\\CLSID").Set(nullptr, GuidKey(*creatable.clsid)) && ok;
  return ok;
}

// The default value of `path` under `classes`, or "" when it has none.
std::wstring DefaultValue(HKEY classes, const std::wstring& path) {
  wchar_t text[64] = {};
  LONG size = sizeof text - sizeof(wchar_t);
  if (RegQueryValueW(classes, path.c_str(), text, &size) != ERROR_SUCCESS) return {};
  return text;
}

void RemoveClass(HKEY classes, const CreatableClass& creatable) {
  const std::wstring clsid = GuidKey(*creatable.clsid), progId = Widen(creatable.progId);
  RegDeleteTreeW(classes, (L"CLSID\\" + clsid).c_str());
  if (_wcsicmp(DefaultValue(classes, progId + L"\\CLSID").c_str(), clsid.c_str()) == 0) {
    RegDeleteTreeW(classes, progId.c_str());
  }
}

// The classes root of the machine or of this user (one to close with RegCloseKey when per user).
HKEY ClassesRoot(bool perUser) {
  if (!perUser) return HKEY_CLASSES_ROOT;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

void CloseRoot(HKEY classes, bool perUser) {
  if (perUser && classes != nullptr) RegCloseKey(classes);
}

HRESULT Unregister(bool perUser) {
  HKEY classes = ClassesRoot(perUser);
  if (classes == nullptr) return SELFREG_E_CLASS;
  int count = 0;
  const CreatableClass* list = CreatableClassList(count);
  for (int i = 0; i < count; ++i) RemoveClass(classes, list[i]);
  CloseRoot(classes, perUser);
  // A library never registered (or already removed) is not a failure.
  const HRESULT result = perUser ? UnRegisterTypeLibForUser(LIBID_BVLumora, 1, 0, 0, SYS_WIN32)
                                 : UnRegisterTypeLib(LIBID_BVLumora, 1, 0, 0, SYS_WIN32);
  return SUCCEEDED(result) || result == TYPE_E_REGISTRYACCESS || result == TYPE_E_CANTLOADLIBRARY
             ? S_OK
             : SELFREG_E_TYPELIB;
}

HRESULT Register(bool perUser) {
  const std::wstring library = Widen(OwnLibraryPath());
  if (library.empty()) return SELFREG_E_CLASS;
  HKEY classes = ClassesRoot(perUser);
  if (classes == nullptr) return SELFREG_E_CLASS;
  int count = 0;
  const CreatableClass* list = CreatableClassList(count);
  bool ok = true;
  for (int i = 0; i < count; ++i) ok = WriteClass(classes, list[i], library) && ok;
  CloseRoot(classes, perUser);
  if (!ok) {
    Unregister(perUser);
    return SELFREG_E_CLASS;
  }
  ITypeLib* typeLibrary = nullptr;
  std::wstring path;
  HRESULT result = LoadOwnTypeLibrary(&typeLibrary, &path);
  if (SUCCEEDED(result)) {
    std::wstring help = Widen(OwnFolder());
    result = perUser ? RegisterTypeLibForUser(typeLibrary, path.data(), help.data())
                     : RegisterTypeLib(typeLibrary, path.data(), help.data());
    typeLibrary->Release();
  }
  if (FAILED(result)) {
    Unregister(perUser);
    return SELFREG_E_TYPELIB;
  }
  return S_OK;
}

}  // namespace
}  // namespace lumora::com

STDAPI DllRegisterServer() {
  return lumora::com::Register(false);
}

STDAPI DllUnregisterServer() {
  return lumora::com::Unregister(false);
}

// regsvr32 /i:user registers for this user only (with /n, without DllRegisterServer first);
// regsvr32 /u /i:user removes that.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  const bool perUser = commandLine != nullptr && _wcsicmp(commandLine, L"user") == 0;
  if (commandLine != nullptr && *commandLine != L'\0' && !perUser) return E_INVALIDARG;
  return install ? lumora::com::Register(perUser) : lumora::com::Unregister(perUser);
}
