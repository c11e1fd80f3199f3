#include "contract/Text.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "contract/MessageText.h"

namespace lumora {
namespace {

unsigned AsciiUpper(unsigned c) {
  return c >= 'a' && c <= 'z' ? c - 32 : c;
}

struct UpperCase {
  uint32_t from, to;
};
// Every code point whose simple upper case is another, in code-point order (ICU's u_toupper,
// written out at build time).
constexpr UpperCase kUpperCase[] = {
#include "UpperCaseTable.inc"
};

UChar32 ToUpper(UChar32 c) {
  const auto code = static_cast<uint32_t>(c);
  const UpperCase* found =
      std::lower_bound(std::begin(kUpperCase), std::end(kUpperCase), code,
                       [](const UpperCase& row, uint32_t value) { return row.from < value; });
  return found != std::end(kUpperCase) && found->from == code ? static_cast<UChar32>(found->to) : c;
}

}  // namespace

void AppendUtf8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

std::string UCase(std::string_view text) {
  std::string out;
  UCaseInto(text, out);
  return out;
}

void UCaseInto(std::string_view text, std::string& out) {
  out.assign(text);
  bool plain = true;  // plain ASCII: upper-cased in place
  for (char& c : out) {
    const auto byte = static_cast<uint8_t>(c);
    if (byte >= 0x80) {
      plain = false;
      break;
    }
    c = static_cast<char>(AsciiUpper(byte));
  }
  if (plain) return;
  out.clear();
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const int32_t length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    const uint8_t byte = s[i];
    if (byte < 0x80) {  // the common case, without the table
      out.push_back(static_cast<char>(AsciiUpper(byte)));
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
    const UChar32 upper = ToUpper(c);
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
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  const size_t shorter = std::min(a.size(), b.size());
  for (size_t i = 0; i < shorter; ++i) {
    const unsigned x = static_cast<unsigned char>(a[i]);
    const unsigned y = static_cast<unsigned char>(b[i]);
    if (x >= 0x80 || y >= 0x80) return UCase(a) == UCase(b);
    if (AsciiUpper(x) != AsciiUpper(y)) return false;
  }
  // Past an ASCII common part, only a non-ASCII character can upper-case to another length.
  const std::string_view rest = (a.size() > b.size() ? a : b).substr(shorter);
  if (std::any_of(rest.begin(), rest.end(),
                  [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
    return UCase(a) == UCase(b);
  }
  return a.size() == b.size();
}

std::string AsciiUpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(AsciiUpper(static_cast<unsigned char>(c)));
  return upper;
}

size_t AsciiCaseInsensitiveHash::operator()(std::string_view text) const {
  uint64_t hash = 14695981039346656037u;  // FNV-1a, 64-bit
  for (char c : text) {
    hash ^= AsciiUpper(static_cast<unsigned char>(c));
    hash *= 1099511628211u;
  }
  return static_cast<size_t>(hash);
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiUpper(static_cast<unsigned char>(x)) ==
                  AsciiUpper(static_cast<unsigned char>(y));
         });
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  for (size_t i = 0; i < prefix.size(); ++i) {
    const unsigned p = static_cast<unsigned char>(prefix[i]);
    const unsigned t = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
    if (p >= 0x80 || t >= 0x80) return UCase(text).starts_with(UCase(prefix));
    if (i >= text.size() || AsciiUpper(p) != AsciiUpper(t)) return false;
  }
  return true;
}

std::string_view TrimOf(std::string_view text, std::string_view blanks) {
  const size_t b = text.find_first_not_of(blanks);
  if (b == std::string_view::npos) return {};
  const size_t e = text.find_last_not_of(blanks);
  return text.substr(b, e - b + 1);
}

std::string TrimSpaces(std::string_view text) {
  return std::string(TrimOf(text, " "));
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() / 2);
  size_t i = 0;
  auto unit = [&](size_t k) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[k]) |
                                 (static_cast<unsigned char>(bytes[k + 1]) << 8));
  };
  while (i + 1 < bytes.size()) {
    uint32_t c = unit(i);
    i += 2;
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < bytes.size()) {
      const uint32_t low = unit(i);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;  // a lone surrogate
    AppendUtf8(out, c);
  }
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  return FirstInvalidUtf8(bytes) == std::string_view::npos;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  // 0x80..0x9F differ from Latin-1; unassigned positions map to themselves.
  static const uint16_t k80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    // Runs of ASCII are the same in both.
    const auto ascii = std::find_if(bytes.begin(), bytes.end(),
                                    [](char ch) { return static_cast<unsigned char>(ch) >= 0x80; });
    out.append(bytes.begin(), ascii);
    bytes.remove_prefix(static_cast<size_t>(ascii - bytes.begin()));
    if (bytes.empty()) break;
    const auto b = static_cast<unsigned char>(bytes.front());
    AppendUtf8(out, b < 0xA0 ? k80[b - 0x80] : b);
    bytes.remove_prefix(1);
  }
  return out;
}

std::string DecodeText8(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return IsValidUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
}

}  // namespace lumora
