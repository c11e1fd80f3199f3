// The exports every COM server library of ours shares: class factories (the system's
// IClassFactory) for DllGetClassObject, DllCanUnloadNow's answer, and the registration. Per class:
// CLSID\{...} with InprocServer32 (the library's path, ThreadingModel Apartment), ProgID,
// VersionIndependentProgID, TypeLib, Version and, for a control, Control; the ProgID's key with its
// CLSID. The type library is resource TYPELIB 1 of the library, its help folder the library's own.
#include "automation/ComServer.h"

#include <olectl.h>
#include <windows.h>

#include <new>
#include <string>

#include "automation/Automation.h"
#include "contract/LocalPaths.h"
#include "contract/WideText.h"

// oleaut32 exports these (Windows Vista on); mingw-w64's oleauto.h does not declare them.
extern "C" {
WINOLEAUTAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpFolder);
WINOLEAUTAPI UnRegisterTypeLibForUser(REFGUID libid, WORD major, WORD minor, LCID lcid,
                                      SYSKIND kind);
}

namespace lumora::com {
namespace {

std::wstring GuidKey(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
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

bool WriteClass(HKEY classes, const CreatableClass& creatable, const GUID& libid,
                const std::wstring& library) {
  const std::wstring clsid = L"CLSID\\" + GuidKey(*creatable.clsid);
  const std::wstring name = Widen(creatable.name), progId = Widen(creatable.progId);
  bool ok = Key(classes, clsid).Set(nullptr, name);
  Key server(classes, clsid + L"\\InprocServer32");
  ok = server.Set(nullptr, library) && server.Set(L"ThreadingModel", L"Apartment") && ok;
  ok = Key(classes, clsid + L"\\ProgID").Set(nullptr, progId) && ok;
  ok = Key(classes, clsid + L"\\VersionIndependentProgID").Set(nullptr, progId) && ok;
  ok = Key(classes, clsid + L"\\TypeLib").Set(nullptr, GuidKey(libid)) && ok;
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

// COM interfaces have no virtual destructor: an object deletes itself in its last Release.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class ClassFactory final : public IClassFactory {
 public:
  ClassFactory(CreateFn create, const ComServer& server) : create_(create), server_(server) {
    ++*server_.live;
  }
  ~ClassFactory() { --*server_.live; }
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
      ++*server_.locks;
    } else if (*server_.locks > 0) {
      --*server_.locks;
    }
    return S_OK;
  }

 private:
  CreateFn create_;
  const ComServer& server_;
  std::atomic<ULONG> references_{1};
};

}  // namespace

HRESULT UnregisterServer(const ComServer& server, bool perUser) {
  HKEY classes = ClassesRoot(perUser);
  if (classes == nullptr) return SELFREG_E_CLASS;
  for (int i = 0; i < server.count; ++i) RemoveClass(classes, server.classes[i]);
  CloseRoot(classes, perUser);
  // A library never registered (or already removed) is not a failure.
  const HRESULT result = perUser ? UnRegisterTypeLibForUser(*server.libid, 1, 0, 0, SYS_WIN32)
                                 : UnRegisterTypeLib(*server.libid, 1, 0, 0, SYS_WIN32);
  return SUCCEEDED(result) || result == TYPE_E_REGISTRYACCESS || result == TYPE_E_CANTLOADLIBRARY
             ? S_OK
             : SELFREG_E_TYPELIB;
}

HRESULT RegisterServer(const ComServer& server, bool perUser) {
  const std::wstring library = Widen(OwnModulePath());
  if (library.empty()) return SELFREG_E_CLASS;
  HKEY classes = ClassesRoot(perUser);
  if (classes == nullptr) return SELFREG_E_CLASS;
  bool ok = true;
  for (int i = 0; i < server.count; ++i) {
    ok = WriteClass(classes, server.classes[i], *server.libid, library) && ok;
  }
  CloseRoot(classes, perUser);
  if (!ok) {
    UnregisterServer(server, perUser);
    return SELFREG_E_CLASS;
  }
  ITypeLib* typeLibrary = nullptr;
  std::wstring path;
  HRESULT result = LoadOwnTypeLibrary(&typeLibrary, &path);
  if (SUCCEEDED(result)) {
    std::wstring help = Widen(FolderOf(OwnModulePath()));
    result = perUser ? RegisterTypeLibForUser(typeLibrary, path.data(), help.data())
                     : RegisterTypeLib(typeLibrary, path.data(), help.data());
    typeLibrary->Release();
  }
  if (FAILED(result)) {
    UnregisterServer(server, perUser);
    return SELFREG_E_TYPELIB;
  }
  return S_OK;
}

HRESULT InstallServer(const ComServer& server, BOOL install, LPCWSTR commandLine) {
  const bool perUser = commandLine != nullptr && _wcsicmp(commandLine, L"user") == 0;
  if (commandLine != nullptr && *commandLine != L'\0' && !perUser) return E_INVALIDARG;
  return install ? RegisterServer(server, perUser) : UnregisterServer(server, perUser);
}

HRESULT GetClassObject(const ComServer& server, REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  for (int i = 0; i < server.count; ++i) {
    if (!IsEqualCLSID(clsid, *server.classes[i].clsid)) continue;
    auto* factory = new (std::nothrow) ClassFactory(server.classes[i].create, server);
    if (factory == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = factory->QueryInterface(iid, out);
    factory->Release();
    return result;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow(const ComServer& server) {
  return *server.live == 0 && *server.locks == 0 ? S_OK : S_FALSE;
}

}  // namespace lumora::com
