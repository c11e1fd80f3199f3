// Property values and their classic conversions.
#include <gtest/gtest.h>

#include "contract/Failure.h"
#include "contract/Text.h"
#include "contract/Value.h"
#include "hostlib/StandardUtilities.h"

namespace lumora {
namespace {

int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Failure& e) {
    return e.number();
  }
  return 0;
}

TEST(Value, EmptyConvertsToZeroFalseAndEmptyText) {
  Value v;
  EXPECT_TRUE(v.IsEmpty());
  EXPECT_EQ(v.ToLong(), 0);
  EXPECT_FALSE(v.ToBool());
  EXPECT_EQ(v.ToString(), "");
}

TEST(Value, LongConversionRoundsHalfToEvenAndChecksRange) {
  EXPECT_EQ(Value::Double(2.5).ToLong(), 2);
  EXPECT_EQ(Value::Double(3.5).ToLong(), 4);
  EXPECT_EQ(Value::String(" 12 ").ToLong(), 12);
  EXPECT_EQ(Value::Boolean(true).ToLong(), -1);
  EXPECT_EQ(ErrorOf([] { Value::Double(3e9).ToLong(); }), 6);
  EXPECT_EQ(ErrorOf([] { Value::String("abc").ToLong(); }), 13);
  EXPECT_EQ(ErrorOf([] { Value::Strings({"a"}).ToLong(); }), 13);
  EXPECT_EQ(ErrorOf([] { Value::Null().ToLong(); }), 94);
}

TEST(Value, BooleanConversionFollowsClassicRules) {
  EXPECT_TRUE(Value::Integer(-1).ToBool());
  EXPECT_TRUE(Value::Integer(2).ToBool());
  EXPECT_FALSE(Value::Integer(0).ToBool());
  EXPECT_TRUE(Value::String("True").ToBool());
  EXPECT_FALSE(Value::String("false").ToBool());
  EXPECT_TRUE(Value::String("1").ToBool());
  EXPECT_EQ(ErrorOf([] { Value::String("yes").ToBool(); }), 13);
}

TEST(Value, TextConversion) {
  EXPECT_EQ(Value::Integer(-7).ToString(), "-7");
  EXPECT_EQ(Value::Boolean(false).ToString(), "False");
  EXPECT_EQ(Value::Double(1.5).ToString(), "1.5");
  EXPECT_EQ(ErrorOf([] { Value::Booleans({true}).ToString(); }), 13);
}

TEST(Value, ArrayAccessFailsOutOfRangeAndOnNonArrays) {
  Value names = Value::Strings({"a", "b"});
  EXPECT_EQ(names.UpperBound(), 1);
  EXPECT_EQ(names.At(1).ToString(), "b");
  EXPECT_EQ(ErrorOf([&] { names.At(2); }), 9);
  EXPECT_EQ(ErrorOf([&] { names.At(-1); }), 9);
  EXPECT_EQ(Value::Strings({}).UpperBound(), -1);
  EXPECT_EQ(ErrorOf([] { Value::Integer(3).UpperBound(); }), 13);
  EXPECT_EQ(ErrorOf([] { Value().At(0); }), 13);
  Value mixed = Value::MakeList({Value::Integer(1), Value::String("x")});
  EXPECT_EQ(mixed.At(1).ToString(), "x");
}

TEST(Text, UpperCasesPerCodePointLikeThePlatform) {
  EXPECT_EQ(UCase("sql server"), "SQL SERVER");
  EXPECT_EQ(UCase("café"), "CAFÉ");
  EXPECT_EQ(UCase("straße"), "STRAßE") << "ß has no single-code-point upper case";
  EXPECT_EQ(UCase(std::string("a\xff"
                              "b")),
            std::string("A\xff"
                        "B"))
      << "invalid bytes pass";
  EXPECT_TRUE(EqualsIgnoringCase("Orders", "ORDERS"));
  EXPECT_FALSE(EqualsIgnoringCase("Orders", "Orders "));
}

}  // namespace
}  // namespace lumora

namespace lumora {
namespace {

TEST(PathHelper, AddsTheSeparatorThePathUses) {
  StandardPathHelper helper;
  EXPECT_EQ(helper.AddBackslash("C:\\Windows\\System32"), "C:\\Windows\\System32\\");
  EXPECT_EQ(helper.AddBackslash("C:\\Windows\\"), "C:\\Windows\\");
  EXPECT_EQ(helper.AddBackslash("/opt/lumora"), "/opt/lumora/");
  EXPECT_EQ(helper.AddBackslash("/opt/lumora/"), "/opt/lumora/");
  EXPECT_EQ(helper.AddBackslash("C:"), "C:\\");
  EXPECT_EQ(helper.AddBackslash(""), "");
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

}  // namespace
}  // namespace lumora
