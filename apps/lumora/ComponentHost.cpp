#include "ComponentHost.h"

#include "ClassFactoryCall.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "contract/Failure.h"
#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "contract/SharedLibrary.h"
#include "host/DesignObjectFile.h"
#include "host/HostDesignObject.h"
#include "host/InstallTree.h"
#include "hostlib/ComponentRegistry.h"
#include "marshal/Marshal.h"

namespace lumora::cli {
namespace {

template <class Fn>
Fn Export(void* library, const char* name, const std::string& path) {
  void* symbol = LibrarySymbol(library, name);
  if (symbol == nullptr) {
    throw HostError::NotDone("the component " + path + " lacks the export " + name);
  }
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

// The search order: the user's registry, then this program's own tree (beside it, then the
// installed library folder relative to it), then the system-wide registries of $XDG_DATA_DIRS.
CheckedLibrary Component::Locate() {
  const std::string progId = LUMORA_PROGID, clsid = marshal::GuidText(CLSID_LumoraCtl);
  CheckedLibrary user = RegisteredLibrary(ComponentRegistryFile(), progId, clsid);
  if (!user.empty()) return user;
  const std::string own = LocateBesideLumora();
  if (::access(own.c_str(), R_OK) == 0) return CheckedLibrary(own, -1);
  for (const std::string& file : layout::SystemRegistryFiles()) {
    if (CheckedLibrary system = RegisteredLibrary(file, progId, clsid); !system.empty()) {
      return system;
    }
  }
  return CheckedLibrary(own, -1);
}

std::string Component::LocateBesideLumora() {
  return layout::OwnTreeLibrary(LUMORA_LIBRARY_FILE);
}

Component Component::Load(const std::string& given) {
  // An absolute path, so that neither the library search path nor the current folder decides.
  std::error_code error;
  return Load(CheckedLibrary(std::filesystem::absolute(given, error).string(), -1));
}

Component Component::Load(CheckedLibrary checked) {
  const std::string path = checked.path();
  // Loaded for the rest of the process, as a host keeps a component it has used; a checked
  // library through the descriptor it was checked on.
  const std::string name = checked.LoadName();
  const LoadedLibrary loaded = LoadSharedLibrary(name);
  void* library = loaded.handle;
  if (library == nullptr) {
    std::string why = loaded.error;
    if (why.starts_with(name)) why.replace(0, name.size(), path);  // the file, not its /proc name
    throw HostError::NotDone("cannot load the component: " + EscapeForMessage(why));
  }
  checked.Release();
  Component component;
  component.path_ = path;
  component.registerServer = Export<LumoraDllRegisterServerFn>(library, "DllRegisterServer", path);
  component.unregisterServer =
      Export<LumoraDllUnregisterServerFn>(library, "DllUnregisterServer", path);
  component.getClassObject = Export<LumoraDllGetClassObjectFn>(library, "DllGetClassObject", path);
  component.canUnloadNow = Export<LumoraDllCanUnloadNowFn>(library, "DllCanUnloadNow", path);
  return component;
}

void* Component::CreateLumoraCtl(const LumoraGuid& iid) const {
  void* object = nullptr;
  const FactoryCall call = CreateByFactory(getClassObject, iid, &object);
  if (call.factoryMissing) {
    throw HostError::NotDone("the component " + path_ + " has no class factory for LumoraCtl (" +
                             ResultText(call.result) + ")");
  }
  if (LUMORA_FAILED(call.result)) {
    throw HostError::NotDone("the component " + path_ + " could not make LumoraCtl (" +
                             ResultText(call.result) + ")");
  }
  return object;
}

IDesignObject* NewHostDesignObject(std::shared_ptr<DesignObjectFile> file,
                                   const Invocation& invocation, LumoraWizardMode mode) {
  return lumora::NewHostDesignObject({std::move(file), invocation.host, mode, invocation.script});
}

CallFailure ReadCallFailure(LumoraHResult result, IFailureInfo* error) {
  const marshal::FailureText text = marshal::ReadFailureInfo(error);
  CallFailure failure{result, text.number, text.description, text.source};
  if (failure.description.empty())
    failure.description = "the call failed (" + ResultText(result) + ")";
  if (failure.source.empty()) failure.source = "BVLumora";
  return failure;
}

std::string ResultText(LumoraHResult result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
  return text;
}

std::shared_ptr<DesignObjectFile> LoadObject(const std::string& path) {
  return std::make_shared<DesignObjectFile>(DesignObjectFile::Load(path));
}

void* CreateLumoraCtl(const LumoraGuid& iid) {
  return Component::Load(Component::Locate()).CreateLumoraCtl(iid);
}

}  // namespace lumora::cli
