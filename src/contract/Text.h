// Text rules shared by every layer. Strings are UTF-8. "Ignoring case" means both sides
// upper-cased code point by code point with the simple Unicode mapping, as the platform's
// upper-casing does ('ß' stays 'ß'); "exact" means byte-wise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumora {

// The upper-cased text (simple per-code-point mapping; invalid UTF-8 bytes pass unchanged).
std::string UCase(std::string_view text);
// UCase into `out`, reusing its storage (for upper-casing many names in a loop).
void UCaseInto(std::string_view text, std::string& out);
// Whether UCase(a) == UCase(b); plain ASCII is compared in place.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// Whether `a` and `b` are equal with only a..z and A..Z taken as the same letter (for names
// that are ASCII by their format, such as keywords and attribute names).
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
// `text` with only a..z upper-cased (the key of a name compared by EqualsIgnoringAsciiCase).
std::string AsciiUpperCase(std::string_view text);
// For unordered containers keyed by names that compare ignoring ASCII case, without a copy.
struct AsciiCaseInsensitiveHash {
  size_t operator()(std::string_view text) const;
};
struct AsciiCaseInsensitiveEqual {
  bool operator()(std::string_view a, std::string_view b) const {
    return EqualsIgnoringAsciiCase(a, b);
  }
};
// Whether UCase(text) starts with UCase(prefix); plain ASCII is compared in place.
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

// Blanks (spaces only, as the classic Trim) removed at both ends.
std::string TrimSpaces(std::string_view text);
// `text` without the characters of `blanks` at either end.
std::string_view TrimOf(std::string_view text, std::string_view blanks = " \t");

// Decoding where text enters: every string inside is valid UTF-8.
void AppendUtf8(std::string& out, uint32_t codePoint);
// Whether all of `bytes` is well-formed UTF-8 (see FirstInvalidUtf8 in MessageText.h).
bool IsValidUtf8(std::string_view bytes);
// UTF-16LE code units (an odd last byte is dropped; a lone surrogate becomes U+FFFD).
std::string Utf16LeToUtf8(std::string_view bytes);
// Windows-1252; its five unassigned bytes become the control characters of the same number.
std::string Windows1252ToUtf8(std::string_view bytes);
// An 8-bit text file as the platform's tools take it: a UTF-8 byte-order mark is skipped, the
// rest is UTF-8 when all of it is valid UTF-8, else Windows-1252.
std::string DecodeText8(std::string_view bytes);

}  // namespace lumora
