#include "hostlib/ComponentRegistry.h"

#include "contract/MessageText.h"

namespace lumora {
namespace {

using Json = nlohmann::ordered_json;

// The registry holds three levels; this leaves room and keeps the reader's recursion shallow.
constexpr int kMaxNesting = 16;

std::string Quoted(const std::string& path) {
  return EscapeForMessage(path);
}

}  // namespace

Json ReadComponentRegistry(const std::string& file) {
  // Read once, from what its trust was checked on.
  const std::optional<std::string> read = ReadTrustedRegistryText(file);
  if (!read) return Json::object();
  const std::string& text = *read;
  Json document;
  try {
    document = Json::parse(text, [&](int depth, Json::parse_event_t event, Json&) {
      if (depth >= kMaxNesting && (event == Json::parse_event_t::object_start ||
                                   event == Json::parse_event_t::array_start)) {
        throw HostError::BadInput("the component registry " + Quoted(file) +
                                  " nests values deeper than " + std::to_string(kMaxNesting) +
                                  " levels");
      }
      return true;
    });
  } catch (const Json::exception& e) {
    throw HostError::BadInput("the component registry " + Quoted(file) +
                              " is not valid JSON: " + EscapeForMessage(e.what()));
  }
  if (!document.is_object()) {
    throw HostError::BadInput("the component registry " + Quoted(file) +
                              " must hold a JSON object");
  }
  return document;
}

CheckedLibrary RegisteredLibrary(const std::string& file, const std::string& progId,
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
    throw HostError::BadInput("the component registry " + Quoted(file) + " names no path for " +
                              progId);
  }
  const std::string library = path->get<std::string>();
  const std::string named = "the component " + Quoted(library) + " registered in " + Quoted(file);
  if (!IsAbsoluteLibraryPath(library)) {
    throw HostError::BadInput(named + " is not an absolute path; nothing was loaded");
  }
  return OpenCheckedLibrary(library, named);
}

}  // namespace lumora
