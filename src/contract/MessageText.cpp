#include "contract/MessageText.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace lumora {
namespace {

// The length of the well-formed UTF-8 character at `i`, or 0.
size_t CharacterLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string EscapeForMessage(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  char escape[8];
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {  // printable ASCII, a run at a time
      size_t end = i + 1;
      while (end < text.size() && text[end] >= 0x20 && text[end] < 0x7F) ++end;
      out.append(text.substr(i, end - i));
      i = end;
      continue;
    }
    const size_t length = CharacterLength(text, i);
    if (length == 0) {
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
      ++i;
    } else if (length == 1 && (c < 0x20 || c == 0x7F)) {
      if (c == '\t') {
        out += "\\t";
      } else if (c == '\n') {
        out += "\\n";
      } else if (c == '\r') {
        out += "\\r";
      } else {
        std::snprintf(escape, sizeof escape, "\\x%02X", c);
        out += escape;
      }
      ++i;
    } else if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned char>(text[i + 1]));
      out += escape;
      i += 2;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
  return out;
}

size_t FirstInvalidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    // ASCII, the bulk of most inputs, eight bytes at a time.
    while (i + 8 <= text.size()) {
      uint64_t word;
      std::memcpy(&word, text.data() + i, sizeof word);
      if ((word & 0x8080808080808080ULL) != 0) break;
      i += 8;
    }
    if (i >= text.size()) break;
    const size_t length = CharacterLength(text, i);
    if (length == 0) return i;
    i += length;
  }
  return std::string_view::npos;
}

TextPosition PositionOf(std::string_view text, size_t offset) {
  TextPosition at;
  const size_t end = std::min(offset, text.size());
  for (size_t i = 0; i < end; ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      ++at.line;
      at.column = 1;
    } else if (text[i] != '\r') {
      ++at.column;
    }
  }
  return at;
}

}  // namespace lumora
