// The string table, the multi-part loader, the caption walk, topic substitution and the font.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <tuple>

#include "platform/FontQueries.h"
#include "platform/forms/FormDesign.h"
#include "platform/forms/Image.h"
#include "platform/forms/Label.h"
#include "platform/forms/ListView.h"
#include "platform/forms/TextBox.h"
#include "support/RunProcess.h"
#include "support/TestHost.h"
#include "ui/StringTable.h"
#include "ui/modWizard.h"

namespace lumora {
namespace {

// Continued entries are joined and the id advanced past them; a missing continuation is
// reported (326) and what was joined is returned.
TEST(GetResString, JoinsContinuedEntriesAndAdvancesTheId) {
  testing::TestHost host;
  ResStringOverlay overlay({{8000, "first _"},
                            {8001, "second _"},
                            {8002, "third"},
                            {8003, "x"},
                            {8004, "last _"},
                            {8005, std::nullopt}});
  for (const auto& [start, joined, next] :
       {std::tuple<int16_t, const char*, int16_t>{8000, "first second third", 8003},
        {8004, "last ", 8005}}) {
    int16_t id = start;
    EXPECT_EQ(GetResString(id), joined);
    EXPECT_EQ(id, next);
  }
  ASSERT_EQ(host.procedures(), std::vector<std::string>{"modWizard:GetResString"});
  EXPECT_EQ(host.reports()[0].number, 326);
  EXPECT_THROW(LoadResString(105), Failure) << "the table has no entry 105";
}

// The form of tests/data/forms/captions.gml, whose controls carry numeric and other tags.
forms::DesignedForm CaptionsForm() {
  return forms::DesignedForm(testing::ReadFile("tests/data/forms/captions.gml"), "captions.gml");
}

TEST(ApplyResourceCaptions, ReplacesNumericTagsAndPassesOverWhatCannotTakeThem) {
  testing::TestHost host;
  ResStringOverlay overlay({{8000, "one _"}, {8001, "two"}});
  forms::DesignedForm form = CaptionsForm();
  auto& list = form.Get<forms::ListView>("lvwList");
  list.ColumnHeaders().Add(0, "main", "main").SetTag("8000");
  list.ColumnHeaders().Add(0, "other", "keep").SetTag("x");

  ApplyResourceCaptions(form);

  EXPECT_EQ(form.Get<forms::Label>("lblNumeric").Caption(), "Available Drivers");
  EXPECT_EQ(form.Get<forms::Label>("lblNumeric").ToolTipText(), "one _");  // single entry
  EXPECT_EQ(form.Get<forms::Label>("lblWords").Caption(), "design");
  EXPECT_EQ(form.Get<forms::Label>("lblEmpty").Caption(), "design");
  EXPECT_EQ(form.Get<forms::TextBox>("txtNoCaption").ToolTipText(), "Advanced...");
  EXPECT_EQ(form.Get<forms::Label>("lblJoined").Caption(), "one two");  // continuation followed
  EXPECT_EQ(list.ColumnHeaders().Item(1).Text(), "one _");              // single entry
  EXPECT_EQ(list.ColumnHeaders().Item(2).Text(), "keep");
  EXPECT_TRUE(host.reports().empty());
}

// Every placeholder takes its topic; a topic holding a placeholder is put in once.
TEST(ReplaceTopicText, PutsTheTopicsIn) {
  EXPECT_EQ(ReplaceTopicText("<TOPIC_TEXT> and <TOPIC_TEXT>", "a", ""), "a and a");
  EXPECT_EQ(ReplaceTopicText("<TOPIC_TEXT>/<TOPIC_TEXT2>", "a", ""), "a/<TOPIC_TEXT2>");
  EXPECT_EQ(ReplaceTopicText("<TOPIC_TEXT>/<TOPIC_TEXT2>", "a", "b"), "a/b");
  EXPECT_EQ(ReplaceTopicText("'<TOPIC_TEXT>' is there", "x<TOPIC_TEXT>y", ""),
            "'x<TOPIC_TEXT>y' is there");
  EXPECT_EQ(ReplaceTopicText("<TOPIC_TEXT2>", "", "<TOPIC_TEXT2><TOPIC_TEXT2>"),
            "<TOPIC_TEXT2><TOPIC_TEXT2>");
}

class FakeFontQueries : public FontQueries {
 public:
  bool doubleByteSystem = false;
  bool IsDoubleByteSystem() override { return doubleByteSystem; }
  bool IsDoubleByteFont(const std::string& face) override { return face == "MS Gothic"; }
  std::string DefaultGuiFaceName() override { return std::string("MS UI Gothic\0junk", 17); }
};

// The form's font from entry 600, and what each control wears on single- and double-byte systems.
TEST(FormFont, FollowsEntry600AndTheSystemsCodeSet) {
  using forms::Font;
  const Font sansSerif{"MS Sans Serif", 8, false, false}, gothic{"MS Gothic", 9, false, true};
  const Font tahoma{"Tahoma", 9.5, true, false}, uiGothic{"MS UI Gothic", 9, false, false};
  const Font sansSerifItalic{"MS Sans Serif", 9, false, true};
  const char* const kGothic = "Name=MS Gothic;Size=9;Bold=0;Italic=1";
  // Entry 600 (none: the shipped table's), a double-byte system, the form's font, a control and
  // the font it wears.
  const std::tuple<std::optional<std::string>, bool, Font, const char*, Font> cases[] = {
      {"Name=Tahoma;Bold=1;Italic=0;Size=9.5", false, tahoma, "lblWords", tahoma},
      {"", false, sansSerif, "txtNoCaption", sansSerif},
      // a single-byte font on a double-byte system: the GUI face one point larger
      {std::nullopt, true, sansSerif, "lblNumeric", uiGothic},
      // a double-byte font on a single-byte system falls back to MS Sans Serif
      {kGothic, false, gothic, "lblNumeric", sansSerifItalic},
      {kGothic, true, gothic, "lblNumeric", gothic},
  };
  testing::TestHost host;
  auto queries = std::make_shared<FakeFontQueries>();
  SetFontQueries(queries);
  for (const auto& [entry, doubleByteSystem, formFont, control, shown] : cases) {
    std::optional<ResStringOverlay> overlay;
    if (entry)
      overlay.emplace(std::vector<std::pair<int32_t, std::optional<std::string>>>{{600, *entry}});
    queries->doubleByteSystem = doubleByteSystem;
    forms::DesignedForm form = CaptionsForm();
    ApplyFormFont(form);
    EXPECT_EQ(form.GetFont(), formFont) << entry.value_or("shipped");
    EXPECT_EQ(form.Find(control)->GetFont(), shown) << entry.value_or("shipped");
    EXPECT_FALSE(form.Find("imgPicture")->HasFont());  // passed over
  }
  SetFontQueries(nullptr);
}

TEST(FontQueries, DoubleByteCodeSetsAreRecognised) {
  for (const char* set : {"SHIFT_JIS", "GBK", "BIG5", "EUC-KR"})
    EXPECT_TRUE(IsDoubleByteCodeSet(set));
  for (const char* set : {"UTF-8", "ANSI_X3.4-1968", "ISO-8859-1"})
    EXPECT_FALSE(IsDoubleByteCodeSet(set));
  SystemFontQueries system;
  EXPECT_TRUE(system.IsDoubleByteFont("ms gothic"));
  EXPECT_FALSE(system.IsDoubleByteFont("MS Sans Serif"));
}

}  // namespace
}  // namespace lumora
