// Text measured in terminal cells: UTF-8 cut into glyphs (a character with the combining marks
// that follow it) with the number of cells each takes, so that wide and combining characters
// never shift what is drawn after them. Also the classic "&" mnemonic marks of captions. Pure
// functions of their arguments and the locale's character widths (setlocale must have run).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumora::terminal {

struct Glyph {
  std::string bytes;  // UTF-8: one character and its combining marks
  int cells = 1;      // 1 or 2; a character the terminal cannot show becomes "?" (1 cell)
};

// The glyphs of `text`. Bytes that are not UTF-8 show as "?"; so do controls (ESC, C1), the bidi
// controls (U+202A-202E, U+2066-2069, U+200E/200F, U+061C) and the zero-width characters
// (U+200B-200D, U+2060, U+FEFF), each a visible cell of its own, and every character other
// than printable ASCII when `unicode` is false (a locale that is not UTF-8).
std::vector<Glyph> Glyphs(std::string_view text, bool unicode = true);
int CellWidth(std::string_view text, bool unicode = true);
// `text` cut to at most `cells` cells and padded with spaces to exactly `cells`; a wide glyph
// that would straddle the end is left out (a space takes its place).
std::string FitCells(std::string_view text, int cells, bool unicode = true);
// Lines of at most `cells` cells, broken at spaces where possible; "\n" (and "\r\n") break too.
std::vector<std::string> WrapCells(std::string_view text, int cells, bool unicode = true);

// A caption without its "&" marks ("&&" is a literal "&") and the glyph index of the mnemonic
// letter in the shown text (-1: none) and that letter in lower case (0: none).
struct Mnemonic {
  std::string shown;
  int glyph = -1;
  char letter = 0;
};
Mnemonic ParseMnemonic(std::string_view caption);

}  // namespace lumora::terminal
