// The COM exports of BVLumoraHost.dll: its one creatable class DesignObjectFile and its type
// library, registered for the machine by regsvr32 or for this user by DllInstall with the
// command line "user" (regsvr32 /n /i:user), as BVLumora.dll's (automation/ComServer.h).
#include "automation/ComServer.h"
#include "hostcom/DesignObjectFileObject.h"
#include "hostcom/HostTypes.h"

namespace lumora::com {
namespace {

const CreatableClass kClasses[] = {
    {&CLSID_DesignObjectFile, "DesignObjectFile", LUMORA_DESIGN_OBJECT_FILE_PROGID, false,
     NewDesignObjectFile},
};

const ComServer& HostServer() {
  static const ComServer server{kClasses, 1, &LIBID_BVLumoraHost, &HostLiveObjects(),
                                &HostServerLocks()};
  return server;
}

}  // namespace
}  // namespace lumora::com

STDAPI DllRegisterServer() {
  return lumora::com::RegisterServer(lumora::com::HostServer(), false);
}

STDAPI DllUnregisterServer() {
  return lumora::com::UnregisterServer(lumora::com::HostServer(), false);
}

STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
  return lumora::com::InstallServer(lumora::com::HostServer(), install, commandLine);
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  return lumora::com::GetClassObject(lumora::com::HostServer(), clsid, iid, out);
}

STDAPI DllCanUnloadNow() {
  return lumora::com::CanUnloadNow(lumora::com::HostServer());
}
