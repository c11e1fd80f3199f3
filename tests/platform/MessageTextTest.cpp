// Text shown in messages: control characters and broken bytes escaped, everything else kept. A
// NUL and a terminal's escape sequences are shown escaped end to end (Faults.BadInputIsRefused...).
#include <gtest/gtest.h>

#include "contract/MessageText.h"

namespace lumora {
namespace {

TEST(MessageText, EscapesWhatATerminalWouldObeyAndKeepsTheRest) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"plain \\ text", "plain \\ text"},
      {"tab\tline\ncr\r del\x7f", "tab\\tline\\ncr\\r del\\x7F"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
      {"c1 \xc2\x9b"
       "31m",
       "c1 \\u009B31m"},  // CSI as a C1 character
      {"caf\xe9", "caf\\xE9"},
      {"\xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80", "\\xC0\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80"},
  };
  for (const auto& [text, shown] : cases) {
    EXPECT_EQ(EscapeForMessage(text), shown);
    EXPECT_EQ(EscapeForMessage(shown), shown) << "escaping twice changes nothing";
  }
}

TEST(MessageText, FindsTheFirstByteThatIsNotUtf8AndItsPlace) {
  const std::vector<std::pair<std::string, size_t>> cases = {
      {"", std::string::npos}, {"caf\xc3\xa9", std::string::npos},
      {"ab\xff", 2},           {"a\xc3", 1},  // cut short
      {"\xe0\x80\x80", 0},                    // overlong
      {"x\xed\xb0\x80", 1},                   // a surrogate
      {"\xf4\x90\x80\x80", 0},                // past U+10FFFF
  };
  for (const auto& [text, offset] : cases) EXPECT_EQ(FirstInvalidUtf8(text), offset) << text;
  const std::string lines = "a\r\nb\rc\nd";
  const std::vector<std::pair<size_t, std::pair<size_t, size_t>>> places = {
      {0, {1, 1}}, {3, {2, 1}}, {5, {3, 1}}, {8, {4, 2}}};
  for (const auto& [offset, place] : places) {
    const TextPosition at = PositionOf(lines, offset);
    EXPECT_EQ(std::make_pair(at.line, at.column), place) << offset;
  }
}

}  // namespace
}  // namespace lumora
