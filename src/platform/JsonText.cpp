#include "platform/JsonText.h"

#include <nlohmann/json.hpp>

#include "contract/MessageText.h"

namespace lumora {

void AppendJsonString(std::string& out, std::string_view text) {
  bool plain = true, ascii = true;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || c == '"' || c == '\\') {
      plain = false;
      break;
    }
    if (byte >= 0x80) ascii = false;
  }
  if (plain && (ascii || FirstInvalidUtf8(text) == std::string_view::npos)) {
    out += '"';
    out += text;
    out += '"';
    return;
  }
  // Escapes and replacement characters as the library writes them.
  out += nlohmann::json(std::string(text))
             .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace lumora
