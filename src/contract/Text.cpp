#include "contract/Text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace lumora {

std::string UCase(std::string_view text) {
  std::string out(text);
  bool plain = true;  // plain ASCII: upper-cased in place
  for (char& c : out) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte >= 0x80) {
      plain = false;
      break;
    }
    if (byte >= 'a' && byte <= 'z') c = static_cast<char>(byte - 32);
  }
  if (plain) return out;
  out.clear();
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const int32_t length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    const uint8_t byte = s[i];
    if (byte < 0x80) {  // the common case, without ICU
      out.push_back(static_cast<char>(byte >= 'a' && byte <= 'z' ? byte - 32 : byte));
      ++i;
      continue;
    }
    const int32_t start = i;
    UChar32 c = 0;
    U8_NEXT(s, i, length, c);
    if (c < 0) {
      out.append(text.substr(start, i - start));
      continue;
    }
    const UChar32 upper = u_toupper(c);
    char buf[4];
    int32_t n = 0;
    UBool error = false;
    U8_APPEND(reinterpret_cast<uint8_t*>(buf), n, 4, upper, error);
    if (error) {
      out.append(text.substr(start, i - start));
      continue;
    }
    out.append(buf, n);
  }
  return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return UCase(a) == UCase(b);
}

std::string TrimSpaces(std::string_view text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  size_t e = text.find_last_not_of(' ');
  return std::string(text.substr(b, e - b + 1));
}

}  // namespace lumora
