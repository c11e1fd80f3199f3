#include "platform/terminal/TextCells.h"

#include <cctype>
#include <cwchar>

namespace lumora::terminal {
namespace {

// Decodes one UTF-8 character at `at`; returns its length (0: not UTF-8 there).
size_t Decode(std::string_view text, size_t at, char32_t& out) {
  const auto byte = static_cast<unsigned char>(text[at]);
  size_t length = 0;
  char32_t value = 0;
  if (byte < 0x80) {
    out = byte;
    return 1;
  } else if ((byte & 0xE0) == 0xC0) {
    length = 2;
    value = byte & 0x1F;
  } else if ((byte & 0xF0) == 0xE0) {
    length = 3;
    value = byte & 0x0F;
  } else if ((byte & 0xF8) == 0xF0) {
    length = 4;
    value = byte & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return 0;
  }
  out = value;
  return length;
}

// Characters a terminal must not be handed raw: C1 controls, the bidi embeddings, overrides,
// isolates and marks (which reorder what the screen shows after them: U+202E makes "exe.txt"
// look like "txt.exe"), and the zero-width characters (which hide text or join it unseen).
bool Neutralised(char32_t c) {
  return (c >= 0x80 && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
         c == 0x200E || c == 0x200F || c == 0x061C || (c >= 0x200B && c <= 0x200D) || c == 0x2060 ||
         c == 0xFEFF;
}

}  // namespace

std::vector<Glyph> Glyphs(std::string_view text, bool unicode) {
  std::vector<Glyph> glyphs;
  size_t at = 0;
  while (at < text.size()) {
    char32_t c = 0;
    const size_t length = Decode(text, at, c);
    if (length == 0) {
      glyphs.push_back({"?", 1});
      ++at;
      continue;
    }
    const std::string_view bytes = text.substr(at, length);
    at += length;
    if (c < 0x80) {
      glyphs.push_back({std::isprint(static_cast<int>(c)) ? std::string(bytes) : "?", 1});
      continue;
    }
    if (!unicode || Neutralised(c)) {
      glyphs.push_back({"?", 1});
      continue;
    }
    const int width = ::wcwidth(static_cast<wchar_t>(c));
    if (width == 0 && !glyphs.empty()) {
      glyphs.back().bytes += bytes;  // a combining mark joins the character before it
    } else if (width == 1 || width == 2) {
      glyphs.push_back({std::string(bytes), width});
    } else {
      glyphs.push_back({"?", 1});
    }
  }
  return glyphs;
}

int CellWidth(std::string_view text, bool unicode) {
  int cells = 0;
  for (const Glyph& glyph : Glyphs(text, unicode)) cells += glyph.cells;
  return cells;
}

std::string FitCells(std::string_view text, int cells, bool unicode) {
  std::string fitted;
  int used = 0;
  for (const Glyph& glyph : Glyphs(text, unicode)) {
    if (used + glyph.cells > cells) break;
    fitted += glyph.bytes;
    used += glyph.cells;
  }
  if (used < cells) fitted.append(static_cast<size_t>(cells - used), ' ');
  return fitted;
}

std::vector<std::string> WrapCells(std::string_view text, int cells, bool unicode) {
  std::vector<std::string> lines;
  if (cells <= 0) return lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view paragraph = text.substr(start, end - start);
    if (!paragraph.empty() && paragraph.back() == '\r') paragraph.remove_suffix(1);
    std::string line;
    int used = 0;
    size_t lastSpace = std::string::npos;  // byte offset in `line` of the last space
    bool broke = false;                    // the paragraph was broken onto a new line
    for (const Glyph& glyph : Glyphs(paragraph, unicode)) {
      if (used + glyph.cells > cells) {
        if (glyph.bytes == " ") {  // the line breaks here, and the space goes
          lines.push_back(line);
          line.clear();
          used = 0;
          lastSpace = std::string::npos;
          broke = true;
          continue;
        }
        if (lastSpace != std::string::npos) {
          std::string rest = line.substr(lastSpace + 1);
          line.resize(lastSpace);
          lines.push_back(line);
          line = rest;
          used = CellWidth(line, unicode);
        } else {
          lines.push_back(line);
          line.clear();
          used = 0;
        }
        lastSpace = std::string::npos;
        broke = true;
      }
      if (glyph.bytes == " ") {
        if (line.empty() && broke) continue;  // no space starts a wrapped line
        lastSpace = line.size();
      }
      line += glyph.bytes;
      used += glyph.cells;
    }
    lines.push_back(line);
    if (end == text.size()) break;
    start = end + 1;
  }
  return lines;
}

Mnemonic ParseMnemonic(std::string_view caption) {
  Mnemonic result;
  int glyph = 0;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;
      if (caption[i] != '&' && result.letter == 0 &&
          std::isalnum(static_cast<unsigned char>(caption[i]))) {
        result.glyph = glyph;
        result.letter = static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i])));
      }
    }
    result.shown += caption[i];
    // Continuation bytes of UTF-8 do not start a glyph.
    if ((static_cast<unsigned char>(caption[i]) & 0xC0) != 0x80) ++glyph;
  }
  return result;
}

}  // namespace lumora::terminal
