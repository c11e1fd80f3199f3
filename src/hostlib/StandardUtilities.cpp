#include "hostlib/StandardUtilities.h"

#include "contract/Text.h"

namespace lumora {
namespace {

std::string TrimBlanks(std::string_view s) {
  return std::string(TrimOf(s));
}

}  // namespace

std::string StandardPathHelper::AddBackslash(const std::string& path) {
  if (path.empty() || path.back() == '\\' || path.back() == '/') return path;
  const bool posix = path.find('/') != std::string::npos && path.find('\\') == std::string::npos;
  return path + (posix ? "/" : "\\");
}

std::string StandardFieldParser::GetValue(const std::string& text, const std::string& key,
                                          bool caseSensitive) {
  const std::string wanted = caseSensitive ? TrimBlanks(key) : UCase(TrimBlanks(key));
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    std::string_view field(text.data() + start, end - start);
    size_t eq = field.find('=');
    if (eq != std::string_view::npos) {
      std::string name = TrimBlanks(field.substr(0, eq));
      if ((caseSensitive ? name : UCase(name)) == wanted) return TrimBlanks(field.substr(eq + 1));
    }
    start = end + 1;
  }
  return {};
}

}  // namespace lumora
