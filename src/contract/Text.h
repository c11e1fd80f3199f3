// Text rules shared by every layer. Strings are UTF-8. "Ignoring case" means both sides
// upper-cased code point by code point with the simple Unicode mapping, as the platform's
// upper-casing does ('ß' stays 'ß'); "exact" means byte-wise.
#pragma once

#include <string>
#include <string_view>

namespace lumora {

// The upper-cased text (simple per-code-point mapping; invalid UTF-8 bytes pass unchanged).
std::string UCase(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Blanks (spaces only, as the classic Trim) removed at both ends.
std::string TrimSpaces(std::string_view text);

}  // namespace lumora
