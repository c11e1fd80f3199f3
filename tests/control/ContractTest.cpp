// The contract the component is built on: property values and their classic conversions,
// upper-casing, text shown in messages (control characters and broken bytes escaped, everything
// else kept; a NUL and a terminal's escape sequences are shown escaped end to end by the scripted
// cases show-refuses-a-nul-in-the-host-settings and usage-*-escaped), the path and field helpers,
// and the failure convention
// (trapping, reporting, and the lifetime of the error-report objects).
#include <gtest/gtest.h>

#include <unistd.h>

#include "contract/ErrorReporter.h"
#include "contract/Failure.h"
#include "contract/LocalPaths.h"
#include "contract/MessageText.h"
#include "contract/Text.h"
#include "contract/Trap.h"
#include "contract/Value.h"
#include "hostlib/StandardUtilities.h"
#include "support/Outcome.h"
#include "support/ScopedEnv.h"
#include "support/TestHost.h"
#include "support/doubles/ConfigurableHostLibrary.h"

namespace lumora {
namespace {

using testing::TextOrFailure;

// Each row: a value and what ToLong, ToBool and ToString make of it ("-": not checked).
TEST(Value, ConvertsAsTheClassicRulesSay) {
  const struct {
    Value value;
    std::string asLong, asBool, asText;
  } cases[] = {
      {Value(), "0", "False", ""},
      {Value::Double(2.5), "2", "-", "2.5"},  // half to even
      {Value::Double(3.5), "4", "-", "-"},
      {Value::Double(3e9), "error 6", "-", "-"},
      {Value::String(" 12 "), "12", "-", "-"},
      {Value::String("abc"), "error 13", "-", "-"},
      {Value::String("True"), "-", "True", "-"},
      {Value::String("false"), "-", "False", "-"},
      {Value::String("1"), "-", "True", "-"},
      {Value::String("yes"), "-", "error 13", "-"},
      {Value::Boolean(true), "-1", "-", "-"},
      {Value::Boolean(false), "-", "-", "False"},
      {Value::Integer(-7), "-", "True", "-7"},
      {Value::Integer(2), "-", "True", "-"},
      {Value::Integer(0), "-", "False", "-"},
      {Value::Strings({"a"}), "error 13", "-", "-"},
      {Value::Booleans({true}), "-", "-", "error 13"},
      {Value::Null(), "error 94", "-", "-"},
  };
  for (const auto& c : cases) {
    const std::string got[] = {
        TextOrFailure([&] { return std::to_string(c.value.ToLong()); }),
        TextOrFailure([&] { return std::string(c.value.ToBool() ? "True" : "False"); }),
        TextOrFailure([&] { return c.value.ToString(); })};
    const std::string want[] = {c.asLong, c.asBool, c.asText};
    for (int i = 0; i < 3; ++i) {
      EXPECT_TRUE(want[i] == "-" || got[i] == want[i]) << i << ": " << got[i] << " of " << got[2];
    }
  }
}

TEST(Text, UpperCasesPerCodePointLikeThePlatform) {
  // ß has no single-code-point upper case; bytes that are not UTF-8 pass.
  EXPECT_EQ(UCase("sql server café straße a\xff"
                  "b"),
            "SQL SERVER CAFÉ STRAßE A\xff"
            "B");
  // Equal upper-cased (the platform's rule), or with only ASCII letters folded (for keywords).
  const struct {
    const char *a, *b;
    bool ignoringCase, ignoringAsciiCase;
  } cases[] = {
      {"Orders", "ORDERS", true, true},
      {"Orders", "Orders ", false, false},
      {"Orders ", "Orders", false, false},
      {"Orders", "Ordres", false, false},
      {"caf\xC3\xA9", "CAF\xC3\x89", true, false},
      {"sql\xC4\xB1", "SQLI", true, false},  // a dotless i upper-cases to I, one byte shorter
      {"stra\xC3\x9F"
       "e",
       "STRASSE", false, false},
      {"", "", true, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EqualsIgnoringCase(c.a, c.b), c.ignoringCase) << c.a << " " << c.b;
    EXPECT_EQ(EqualsIgnoringAsciiCase(c.a, c.b), c.ignoringAsciiCase) << c.a << " " << c.b;
  }
}

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

TEST(PathHelper, AddsTheSeparatorThePathUses) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Windows\\System32", "C:\\Windows\\System32\\"},
      {"C:\\Windows\\", "C:\\Windows\\"},
      {"/opt/lumora", "/opt/lumora/"},
      {"/opt/lumora/", "/opt/lumora/"},
      {"C:", "C:\\"},
      {"", ""}};
  for (const auto& [path, added] : cases) EXPECT_EQ(StandardPathHelper().AddBackslash(path), added);
}

TEST(FieldParser, FindsKeysIgnoringCaseAndBlanks) {
  StandardFieldParser parser;
  const std::string font = "Name=MS Sans Serif;Bold=0;Italic=0;Size=8";
  EXPECT_EQ(parser.GetValue(font, "name", false), "MS Sans Serif");
  EXPECT_EQ(parser.GetValue(font, "Size", false), "8");
  EXPECT_EQ(parser.GetValue(" Size = 9 ;", "SIZE", false), "9");
  EXPECT_EQ(parser.GetValue(font, "name", true), "");
  EXPECT_EQ(parser.GetValue(font, "Missing", false), "");
}

// A trapped failure is reported once, with number, description, source and procedure, and the
// body stops there. The shared report object is made at the first report and kept; a form's
// reporter makes its own. Foreign exceptions become classic failures; IgnoreFailures drops one.
TEST(FailureConvention, TrapReportsEachFailureAndStops) {
  testing::TestHost host;
  EXPECT_TRUE(Trap("Drivers:Add", [] {}));
  EXPECT_EQ(host.host().newErrorReportCalls, 0) << "a completed body reports nothing";
  int reached = 0;
  EXPECT_FALSE(Trap("WizAPI:ReadDrvSections", [&] {
    reached = 1;
    Raise(kSubscriptOutOfRange);
    reached = 2;
  }));
  EXPECT_EQ(reached, 1);
  Trap("X:BadAlloc", [] { throw std::bad_alloc(); });
  Trap("X:Other", [] { throw std::runtime_error("boom"); });
  EXPECT_NO_THROW(IgnoreFailures([] { Raise(kOverflow); }));
  EXPECT_EQ(host.host().newErrorReportCalls, 1);
  ErrorReporter formReporter;
  Trap(formReporter, "frmWizard:Form_Activate", [] { Raise(kObjectNotSet); });
  EXPECT_EQ(host.host().newErrorReportCalls, 2);
  std::vector<std::string> reports;
  for (const ReportedError& r : host.reports()) {
    reports.push_back(r.procedure + " " + std::to_string(r.number) + " " + r.description + " | " +
                      r.source);
  }
  EXPECT_EQ(reports, (std::vector<std::string>{
                         "WizAPI:ReadDrvSections 9 Subscript out of range | BVLumora",
                         "X:BadAlloc 7 Out of memory | BVLumora", "X:Other 51 boom | BVLumora",
                         "frmWizard:Form_Activate 91 Object variable or With block variable not "
                         "set | BVLumora"}));
}

TEST(FailureConvention, FailingReportGoesToTheCaller) {
  testing::TestHost host;
  struct Throwing : ErrorReport {
    void ReportError(int32_t&, std::string&, std::string&, std::string&) override {
      throw Failure(5, "report failed");
    }
  };
  struct Host : ConfigurableHostLibrary {
    std::unique_ptr<ErrorReport> NewErrorReport() override { return std::make_unique<Throwing>(); }
  };
  component::Attach(std::make_shared<Host>(), ".");
  ErrorReporter reporter;
  EXPECT_THROW(Trap(reporter, "X:Y", [] { Raise(kOverflow); }), Failure);
}

TEST(FailureConvention, NoHostAttachedFailsWithObjectNotSet) {
  component::Detach();
  EXPECT_EQ(testing::FailureNumberOf([] { component::Host(); }), 91);
}

}  // namespace
}  // namespace lumora
