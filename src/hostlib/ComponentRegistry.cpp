#include "hostlib/ComponentRegistry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "platform/InputFile.h"

namespace lumora {
namespace {

using Json = nlohmann::ordered_json;

// The registry holds three levels; this leaves room and keeps the reader's recursion shallow.
constexpr int kMaxNesting = 16;

std::string Quoted(const std::string& path) {
  return EscapeForMessage(path);
}

}  // namespace

std::string ComponentRegistryFile() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/lumora/components.json";
  const std::string folder = HomeFolder();
  if (folder.empty()) {
    throw ComponentRegistryError(
        "cannot find the component registry: no absolute XDG_DATA_HOME or HOME, and no home "
        "folder in the user database");
  }
  return folder + "/.local/share/lumora/components.json";
}

std::string WhyNotTrusted(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
  if (st.st_uid != ::geteuid() && st.st_uid != 0) {
    return "it belongs to another user (uid " + std::to_string(st.st_uid) + ")";
  }
  if ((st.st_mode & S_IWOTH) != 0) return "anyone may write it";
  if ((st.st_mode & S_IWGRP) != 0) return "its group may write it";
  return {};
}

Json ReadComponentRegistry(const std::string& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    if (errno == ENOENT) return Json::object();
    throw ComponentRegistryError("the component registry " + Quoted(file) + " cannot be checked: " +
                                 std::strerror(errno) + "; nothing was loaded from it");
  }
  if (const std::string why = WhyNotTrusted(file); !why.empty()) {
    throw ComponentRegistryError("the component registry " + Quoted(file) +
                                 " is not trusted: " + why + "; nothing was loaded from it");
  }
  std::string text;
  try {
    text = ReadInputFile(file, "component registry");
  } catch (const InputFileError& e) {
    throw ComponentRegistryError(e.what());
  }
  Json document;
  try {
    document = Json::parse(text, [&](int depth, Json::parse_event_t event, Json&) {
      if (depth >= kMaxNesting && (event == Json::parse_event_t::object_start ||
                                   event == Json::parse_event_t::array_start)) {
        throw ComponentRegistryError("the component registry " + Quoted(file) +
                                     " nests values deeper than " + std::to_string(kMaxNesting) +
                                     " levels");
      }
      return true;
    });
  } catch (const Json::exception& e) {
    throw ComponentRegistryError("the component registry " + Quoted(file) +
                                 " is not valid JSON: " + EscapeForMessage(e.what()));
  }
  if (!document.is_object()) {
    throw ComponentRegistryError("the component registry " + Quoted(file) +
                                 " must hold a JSON object");
  }
  return document;
}

std::string RegisteredLibrary(const std::string& file, const std::string& progId,
                              const std::string& clsid) {
  const Json document = ReadComponentRegistry(file);
  const auto progIds = document.find("progIds");
  if (progIds == document.end() || !progIds->is_object()) return {};
  const auto id = progIds->find(progId);
  if (id == progIds->end() || !id->is_string() || id->get<std::string>() != clsid) return {};
  const auto classes = document.find("classes");
  if (classes == document.end() || !classes->is_object()) return {};
  const auto entry = classes->find(clsid);
  if (entry == classes->end() || !entry->is_object()) return {};
  const auto path = entry->find("path");
  if (path == entry->end() || !path->is_string()) {
    throw ComponentRegistryError("the component registry " + Quoted(file) + " names no path for " +
                                 progId);
  }
  const std::string library = path->get<std::string>();
  const std::string named = "the component " + Quoted(library) + " registered in " + Quoted(file);
  if (library.empty() || library[0] != '/') {
    throw ComponentRegistryError(named + " is not an absolute path; nothing was loaded");
  }
  if (const std::string why = WhyNotTrusted(library); !why.empty()) {
    throw ComponentRegistryError(named + " is not trusted: " + why + "; nothing was loaded");
  }
  return library;
}

}  // namespace lumora
