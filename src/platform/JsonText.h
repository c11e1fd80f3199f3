// JSON text written piece by piece, exactly as nlohmann::json's dump writes it with
// ensure_ascii off and invalid UTF-8 replaced, without building a document first: the
// design-object file and the form dump write tens of thousands of strings.
#pragma once

#include <string>
#include <string_view>

namespace lumora {

// Appends `text` as a JSON string, quotes included.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace lumora
