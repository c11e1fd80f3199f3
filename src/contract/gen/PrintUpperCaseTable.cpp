// Writes the simple upper-case mapping of every code point that has one, as ICU's u_toupper gives
// it, one "{from, to}," pair a line in code-point order, for UCase to look up: ICU is then needed
// only to build, and no program or library of ours maps it (with its 30 MB of data) at run time.
// Usage: lumora_upper_case_table OUTPUT
#include <unicode/uchar.h>

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lumora_upper_case_table OUTPUT\n");
    return 2;
  }
  std::string text = "// Generated from ICU " U_ICU_VERSION " (u_toupper) at build time.\n";
  for (UChar32 c = 0; c <= UCHAR_MAX_VALUE; ++c) {
    const UChar32 upper = u_toupper(c);
    if (upper == c) continue;
    char line[32];
    std::snprintf(line, sizeof line, "{0x%X, 0x%X},\n", static_cast<unsigned>(c),
                  static_cast<unsigned>(upper));
    text += line;
  }
  std::ofstream out(argv[1], std::ios::binary);
  out << text;
  if (!out.flush()) {
    std::fprintf(stderr, "lumora_upper_case_table: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
