// The design object's text is written as the JSON library writes the same document, and read
// lists keep their kinds whatever their length.
#include <gtest/gtest.h>

#include "hostlib/DesignObjectFile.h"

namespace lumora {
namespace {

using Json = nlohmann::ordered_json;

TEST(DesignObjectText, IsWrittenAsTheLibraryWritesTheSameDocument) {
  for (const char* text : {
           R"({})",
           R"({"properties": {}})",
           R"({"a": [], "properties": {"E": [], "O": {}}, "z": {}})",
           R"({"properties": {"S": ["a", "caf\u00e9", "q\"\\\n\u0001"], "B": [true, false],
              "N": -5, "R": 1.5, "Big": 1e300, "Tiny": 1e-400, "Whole": 2.0, "Nil": null,
              "M": [1, "x", [true], {"k": [[]], "j": {"i": -0}}], "T": "t"}})",
           R"({"before": {"deep": [1, {"x": [2, 3]}], "huge": 9223372036854775807},
              "properties": {"Drivers": ["d"]}, "after": [-9223372036854775808, 0.1]})",
           R"({"properties": {"Mixed": [true, "s", false], "Later": ["s", true]}})",
       }) {
    const DesignObjectFile file = DesignObjectFile::Parse("o.json", text);
    EXPECT_EQ(file.Serialize(),
              Json::parse(text).dump(2, ' ', false, Json::error_handler_t::replace) + "\n")
        << text;
  }
}

TEST(DesignObjectText, PutValuesAreWrittenInPlaceOrAtTheEnd) {
  DesignObjectFile file = DesignObjectFile::Parse("o.json", R"({"x": 1})");
  file.PutProperty("Gone", Value());
  file.PutProperty("A", Value::Booleans({true}));
  file.PutProperty("B", Value::MakeList({Value::String("s"), Value::Double(0.5)}));
  file.PutProperty("A", Value::Strings({"bad \xff"}));
  file.PutProperty("C", Value::Integer(3));
  file.PutProperty("B", Value());  // gone: the members after it move up
  file.PutProperty("C", Value::Integer(4));
  file.PutProperty("B", Value::MakeList({Value::Double(0.5)}));
  EXPECT_EQ(file.GetProperty("A"), Value::Strings({"bad \xff"}));
  const std::string replaced = "\xef\xbf\xbd";
  EXPECT_EQ(file.Serialize(),
            "{\n  \"x\": 1,\n  \"properties\": {\n    \"A\": [\n      \"bad " + replaced +
                "\"\n    ],\n    \"C\": 4,\n    \"B\": [\n      0.5\n    ]\n  }\n}\n");
}

TEST(DesignObjectText, ArraysReadAsTheKindOfAllTheirElements) {
  DesignObjectFile file = DesignObjectFile::Parse(
      "o.json", R"({"properties": {"S": ["a"], "B": [true], "SB": ["a", true], "BS": [true, "a"],
                    "E": [], "I": [1]}})");
  const std::vector<std::pair<const char*, Value::Kind>> kinds = {
      {"S", Value::Kind::StringArray}, {"B", Value::Kind::BooleanArray}, {"SB", Value::Kind::List},
      {"BS", Value::Kind::List},       {"E", Value::Kind::StringArray},  {"I", Value::Kind::List}};
  for (const auto& [name, kind] : kinds) EXPECT_EQ(file.GetProperty(name).kind(), kind) << name;
  EXPECT_EQ(file.GetProperty("BS").At(1), Value::String("a"));
  EXPECT_EQ(file.GetProperty("SB").At(1), Value::Boolean(true));
}

}  // namespace
}  // namespace lumora
