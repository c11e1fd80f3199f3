#include "platform/FontQueries.h"

#include <algorithm>

#include "contract/Text.h"

namespace lumora {
namespace {

std::string Normalized(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '-' || c == '_' || c == ' ') continue;
    out += c;
  }
  return AsciiUpperCase(out);
}

std::shared_ptr<FontQueries>& Slot() {
  static std::shared_ptr<FontQueries> queries = std::make_shared<SystemFontQueries>();
  return queries;
}

}  // namespace

bool IsDoubleByteCodeSet(const std::string& codeSet) {
  static const char* const kDoubleByte[] = {
      "SHIFTJIS", "SJIS",    "CP932", "WINDOWS31J", "MSKANJI",   "GBK",   "CP936",
      "GB2312",   "GB18030", "EUCCN", "BIG5",       "BIG5HKSCS", "CP950", "EUCKR",
      "CP949",    "UHC",     "EUCJP", "EUCTW",      "JOHAB",     "CP1361"};
  const std::string n = Normalized(codeSet);
  return std::any_of(std::begin(kDoubleByte), std::end(kDoubleByte),
                     [&](const char* name) { return n == name; });
}

bool SystemFontQueries::IsDoubleByteFont(const std::string& faceName) {
  static const char* const kCjkFaces[] = {"MS GOTHIC",
                                          "MS PGOTHIC",
                                          "MS UI GOTHIC",
                                          "MS MINCHO",
                                          "MS PMINCHO",
                                          "MEIRYO",
                                          "MEIRYO UI",
                                          "YU GOTHIC",
                                          "SIMSUN",
                                          "NSIMSUN",
                                          "SIMHEI",
                                          "MICROSOFT YAHEI",
                                          "MINGLIU",
                                          "PMINGLIU",
                                          "MICROSOFT JHENGHEI",
                                          "GULIM",
                                          "GULIMCHE",
                                          "DOTUM",
                                          "BATANG",
                                          "MALGUN GOTHIC",
                                          "NOTO SANS CJK JP",
                                          "NOTO SANS CJK SC",
                                          "NOTO SANS CJK TC",
                                          "NOTO SANS CJK KR"};
  return std::any_of(std::begin(kCjkFaces), std::end(kCjkFaces),
                     [&](const char* face) { return EqualsIgnoringAsciiCase(faceName, face); });
}

std::string SystemFontQueries::DefaultGuiFaceName() {
  // On a double-byte system the default GUI face is a CJK face; elsewhere the classic one.
  return IsDoubleByteSystem() ? "MS UI Gothic" : "MS Sans Serif";
}

FontQueries& CurrentFontQueries() {
  return *Slot();
}

void SetFontQueries(std::shared_ptr<FontQueries> queries) {
  Slot() = queries ? std::move(queries) : std::make_shared<SystemFontQueries>();
}

}  // namespace lumora
