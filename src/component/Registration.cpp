// DllRegisterServer and DllUnregisterServer: the class LumoraCtl and the component's type library
// in the per-user component registry, $XDG_DATA_HOME/lumora/components.json (layout in
// include/lumora/BVLumora.h). The file is rewritten atomically; what else it holds is kept.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "component/ComponentState.h"
#include "hostlib/AtomicFile.h"
#include "hostlib/ComponentRegistry.h"
#include "marshal/Marshal.h"

namespace lumora::com {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

fs::path RegistryFile() {
  return fs::path(lumora::ComponentRegistryFile());
}

// The registry's content; an absent file is an empty object. Returns false for a file that is
// not trusted, cannot be read or is not a JSON object: it is then left alone.
bool ReadRegistry(const fs::path& file, Json& document) {
  try {
    document = lumora::ReadComponentRegistry(file.string());
    return true;
  } catch (const lumora::HostError&) {
    return false;
  }
}

bool WriteRegistry(const fs::path& file, const Json& document) {
  try {
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error) return false;
    lumora::ReplaceFileAtomically(file.string(), document.dump(2) + "\n");
    return true;
  } catch (const lumora::HostError&) {
    return false;
  }
}

Json& Section(Json& document, const char* name) {
  Json& section = document[name];
  if (!section.is_object()) section = Json::object();
  return section;
}

// Removes `key` from the section `name`, and the section when that leaves it empty.
bool Remove(Json& document, const char* name, const std::string& key) {
  auto section = document.find(name);
  if (section == document.end() || !section->is_object() || section->erase(key) == 0) return false;
  if (section->empty()) document.erase(name);
  return true;
}

}  // namespace
}  // namespace lumora::com

extern "C" LUMORA_EXPORT LumoraHResult DllRegisterServer(void) {
  using namespace lumora::com;
  try {
    const std::string library = OwnLibraryPath();
    if (library.empty()) return LUMORA_SELFREG_E_CLASS;
    const fs::path file = RegistryFile();
    Json document;
    if (!ReadRegistry(file, document)) return LUMORA_SELFREG_E_CLASS;
    const std::string clsid = lumora::marshal::GuidText(CLSID_LumoraCtl);
    const std::string libid = lumora::marshal::GuidText(LIBID_BVLumora);
    Section(document, "classes")[clsid] = Json{
        {"name", "LumoraCtl"}, {"progId", LUMORA_PROGID}, {"path", library}, {"typeLib", libid}};
    Section(document, "progIds")[LUMORA_PROGID] = clsid;
    Section(document, "typeLibs")[libid] =
        Json{{"description", LUMORA_TYPELIB_DESCRIPTION}, {"version", "1.0"}, {"path", library}};
    return WriteRegistry(file, document) ? LUMORA_S_OK : LUMORA_SELFREG_E_CLASS;
  } catch (...) {
    return LUMORA_SELFREG_E_CLASS;
  }
}

extern "C" LUMORA_EXPORT LumoraHResult DllUnregisterServer(void) {
  using namespace lumora::com;
  try {
    const fs::path file = RegistryFile();
    std::error_code error;
    if (!fs::exists(file, error)) return LUMORA_S_OK;  // nothing of ours to remove
    Json document;
    if (!ReadRegistry(file, document)) return LUMORA_SELFREG_E_CLASS;
    bool removed = Remove(document, "classes", lumora::marshal::GuidText(CLSID_LumoraCtl));
    removed = Remove(document, "progIds", LUMORA_PROGID) || removed;
    removed = Remove(document, "typeLibs", lumora::marshal::GuidText(LIBID_BVLumora)) || removed;
    if (!removed) return LUMORA_S_OK;  // the file stays exactly as it is
    if (!document.empty())
      return WriteRegistry(file, document) ? LUMORA_S_OK : LUMORA_SELFREG_E_CLASS;
    // The file held nothing but our entries: it goes, and so does the folder if that leaves it
    // empty.
    fs::remove(file, error);
    if (error) return LUMORA_SELFREG_E_CLASS;
    fs::remove(file.parent_path(), error);  // fails harmlessly when the folder holds other files
    return LUMORA_S_OK;
  } catch (...) {
    return LUMORA_SELFREG_E_CLASS;
  }
}
