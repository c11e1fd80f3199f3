// What an in-process COM server of ours is made of, for the exports each of its libraries has:
// the creatable classes (class factories for DllGetClassObject), the counts DllCanUnloadNow
// answers from, and the registration DllRegisterServer, DllUnregisterServer and DllInstall write
// and remove. Windows build only.
#pragma once

#include <objbase.h>

#include <atomic>

namespace lumora::com {

using CreateFn = HRESULT (*)(const IID* iid, void** out);

struct CreatableClass {
  const CLSID* clsid;
  const char* name;    // the class's name, the default value of its CLSID key
  const char* progId;  // version-independent, and the ProgID itself
  bool control;        // registered as a control (the Control key)
  CreateFn create;
};

struct ComServer {
  const CreatableClass* classes;
  int count;
  const GUID* libid;         // the embedded type library (TYPELIB 1), version 1.0
  std::atomic<long>* live;   // objects made and not yet freed
  std::atomic<long>* locks;  // LockServer(TRUE) calls not yet undone
};

HRESULT GetClassObject(const ComServer& server, REFCLSID clsid, REFIID iid, void** out);
HRESULT CanUnloadNow(const ComServer& server);

// Registers the classes and the type library of the library holding this code, for the machine
// (under HKEY_CLASSES_ROOT) or for this user (under HKEY_CURRENT_USER\Software\Classes); a failure
// undoes what was written.
HRESULT RegisterServer(const ComServer& server, bool perUser);
// Removes exactly what RegisterServer writes (a ProgID only while it names our class).
HRESULT UnregisterServer(const ComServer& server, bool perUser);
// DllInstall: the command line "user" is per user (regsvr32 /n /i:user), none the machine.
HRESULT InstallServer(const ComServer& server, BOOL install, LPCWSTR commandLine);

}  // namespace lumora::com
