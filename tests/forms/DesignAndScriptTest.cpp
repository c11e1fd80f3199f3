// Reading form designs: what they build, and errors that name the line. (Wizard scripts: the
// script cases script-* of tests/e2e/cases.)
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/JsonText.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Components.h"
#include "platform/forms/FormDesign.h"
#include "platform/forms/FormDump.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/TextBox.h"
#include "support/Outcome.h"
#include "support/RunProcess.h"
#include "support/TestHost.h"

namespace lumora::forms {
namespace {

TEST(FormDesign, BuildsControlsInOrderInsideTheirContainers) {
  DesignedForm form(testing::ReadFile("tests/data/forms/small.gml"), "small.gml");
  EXPECT_EQ(form.Name(), "frmSmall");
  EXPECT_EQ(form.Caption(), "Small \"one\"");
  EXPECT_TRUE(form.KeyPreview());
  ASSERT_EQ(form.ControlCount(), 6);
  std::vector<std::string> names;
  for (const Control* c : form.Controls()) names.push_back(c->DisplayName());
  EXPECT_EQ(names, (std::vector<std::string>{"fraPage(0)", "txtName", "optA", "picBar", "cmdGo(2)",
                                             "img"}));
  auto& text = form.Get<TextBox>("txtName");
  EXPECT_EQ(text.Text(), "a\tb");
  EXPECT_TRUE(text.MultiLine());
  EXPECT_EQ(text.Container(), form.Find("fraPage", 0));
  EXPECT_TRUE(form.Get<OptionButton>("optA").Value());
  EXPECT_TRUE(form.Get<CommandButton>("cmdGo", 2).Cancel());
  EXPECT_EQ(form.Get<ImageList>("img").Keys(),
            (std::vector<std::string>{"user_dsn", "system_dsn"}));
  EXPECT_THROW(form.Get<TextBox>("cmdGo", 2), Failure);
  EXPECT_EQ(testing::FailureNumberOf([&] { form.Get<CommandButton>("cmdGo", 7); }), 340);
}

std::string DesignErrorOf(const std::string& text) {
  return testing::MessageOf<DesignError>([&] { DesignedForm(text, "bad.gml"); }, "no error");
}

TEST(FormDesign, ErrorsNameTheFileAndLine) {
  const std::pair<std::string, std::string> cases[] = {
      {"Form f {\n  Label l {\n    Text: \"x\"\n  }\n}\n",
       "bad.gml:3: a Label has no property 'Text'"},
      {"Form f {\n\n  Gizmo g { }\n}\n", "bad.gml:3: unknown control type 'Gizmo'"},
      {"Form f {\n  Label l { Colour: 3 }\n}", "bad.gml:2: unknown property 'Colour'"},
      {"Form f {\n  Label l {\n    Caption: 3\n  }\n}", "bad.gml:3: Caption expects a string"},
      {"Form f {\n  Label l { Caption: \"open\n}", "bad.gml:2: unterminated string"},
      {"Form f {\n  Label l { }\n  Label l { }\n}",
       "bad.gml:3: a control named l is declared twice"},
      {"Form f {\n  Label l {\n", "bad.gml:2: the block of l is not closed"},
      {"Form f {\n  Label l { Left: x }\n}",
       "bad.gml:2: expected a value (a string, number, true, false or a list), found 'x'"},
      {"Form f {\n  Label l { Label m { } }\n}", "bad.gml:2: a Label cannot hold controls"},
      {"Label l { }", "bad.gml:1: the design must declare a Form, not a Label"},
  };
  for (const auto& [text, error] : cases) EXPECT_EQ(DesignErrorOf(text), error) << text;
}

// The form dump: the JSON library's own compact text for the same document, escapes and replaced
// bytes included.
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
