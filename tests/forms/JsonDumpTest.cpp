// The JSON the form dump is written in: the same text the JSON library writes for the same
// document, escapes and replaced bytes included.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/JsonText.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/FormDesign.h"
#include "platform/forms/ListView.h"
#include "platform/forms/ScriptDriver.h"
#include "support/TestHost.h"

namespace lumora::forms {
namespace {

std::string LibraryText(const std::string& text) {
  return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

TEST(JsonText, WritesStringsAsTheLibraryDoes) {
  for (const std::string& text : std::vector<std::string>{
           "", "plain", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "q\"b\\s/",
           "\b\f\n\r\t\x01\x1f\x7f", std::string("nul\0in", 6), "bad \xff byte", "cut \xe2\x82",
           "surrogate \xed\xa0\x80", "overlong \xc0\xaf", "\xf4\x90\x80\x80 above"}) {
    std::string out = "x";
    AppendJsonString(out, text);
    EXPECT_EQ(out, "x" + LibraryText(text)) << LibraryText(text);
  }
}

TEST(JsonText, TheFormDumpIsTheLibrarysCompactText) {
  testing::TestHost host;
  DesignedForm form(R"(Form frmD {
    Caption: "D \"1\""
    ListView lvw { Checkboxes: true }
    ComboBox cbo { Style: 2 }
  })",
                    "d.gml");
  auto& list = form.Get<ListView>("lvw");
  list.ListItems().Add(0, "a", "caf\xc3\xa9\t\"x\"").SetChecked(true);
  list.ListItems().Add(0, "b", "bad \xff");
  form.Get<ComboBox>("cbo").AddItem("one\\");
  const std::string dump = DumpForm(form, 3);
  const auto parsed = nlohmann::ordered_json::parse(dump);
  EXPECT_EQ(dump, parsed.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
  EXPECT_EQ(parsed["controls"][0]["items"][1]["text"], "bad \xef\xbf\xbd");
  EXPECT_EQ(parsed["controls"][1]["list"][0], "one\\");
}

}  // namespace
}  // namespace lumora::forms
