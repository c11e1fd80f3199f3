// Text that goes to a terminal or a log line: whatever a file or the registry held, a message
// shows it escaped, so no control character reaches the terminal raw (no retitling, no clearing)
// and a NUL never cuts a line short. Also the UTF-8 check that design objects and scripts pass.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumora {

// `text` with C0 and C1 control characters, DEL and bytes that are not UTF-8 written as escapes
// (\t \n \r, else \xNN for a byte, \u0085 for a C1 character); backslashes are left as they are.
// Everything else, non-ASCII letters included, passes unchanged.
std::string EscapeForMessage(std::string_view text);

// The offset of the first byte of `text` that does not start or continue a well-formed UTF-8
// character (overlong forms, surrogates and code points above U+10FFFF included), or npos.
size_t FirstInvalidUtf8(std::string_view text);

// Line and column (1-based, the column counting bytes) of the byte at `offset`; "\r\n", "\n"
// and a lone "\r" each end a line.
struct TextPosition {
  size_t line = 1;
  size_t column = 1;
};
TextPosition PositionOf(std::string_view text, size_t offset);

}  // namespace lumora
