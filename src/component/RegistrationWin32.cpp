// DllRegisterServer, DllUnregisterServer and DllInstall of BVLumora.dll: LumoraCtl and the type
// library in the system registry (automation/ComServer.h). regsvr32 registers them for the machine
// under HKEY_CLASSES_ROOT; DllInstall with the command line "user" (regsvr32 /n /i:user) for this
// user only, under HKEY_CURRENT_USER\Software\Classes.
#include "component/CreatableClasses.h"

STDAPI DllRegisterServer() {
  return lumora::com::RegisterServer(lumora::com::ComponentServer(), false);
}

STDAPI DllUnregisterServer() {
  return lumora::com::UnregisterServer(lumora::com::ComponentServer(), false);
}

// regsvr32 /i:user registers for this user only (with /n, without DllRegisterServer first);
// regsvr32 /u /i:user removes that.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  return lumora::com::InstallServer(lumora::com::ComponentServer(), install, commandLine);
}
