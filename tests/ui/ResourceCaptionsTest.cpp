// The string table, the multi-part loader, the caption walk, topic substitution and the font.
#include <gtest/gtest.h>

#include <memory>

#include "platform/FontQueries.h"
#include "platform/forms/FormDesign.h"
#include "platform/forms/Image.h"
#include "platform/forms/Label.h"
#include "platform/forms/ListView.h"
#include "platform/forms/TextBox.h"
#include "support/TestHost.h"
#include "ui/StringTable.h"
#include "ui/modWizard.h"

namespace lumora {
namespace {

TEST(StringTable, HoldsTheEntriesVerbatim) {
  EXPECT_EQ(LoadResString(102), "&Back");
  EXPECT_EQ(LoadResString(7001),
            "ODBC settings complete.\n\nRegistry information for the ODBC drivers and data "
            "sources shown below will be added to your setup.");
  EXPECT_EQ(LoadResString(2006), "'<TOPIC_TEXT>' is already in the drivers list.");
  try {
    LoadResString(105);
    FAIL();
  } catch (const Failure& f) {
    EXPECT_EQ(f.number(), 326);
  }
  EXPECT_EQ(LoadResPicture(5000), "sidepanel.png");
}

TEST(GetResString, JoinsContinuedEntriesAndAdvancesTheId) {
  testing::TestHost host;
  ResStringOverlay overlay({{8000, "first _"}, {8001, "second _"}, {8002, "third"}, {8003, "x"}});
  int16_t id = 8000;
  EXPECT_EQ(GetResString(id), "first second third");
  EXPECT_EQ(id, 8003);
  id = 1000;
  EXPECT_EQ(GetResString(id), "Lumora - Step 1");
  EXPECT_EQ(id, 1001);
  EXPECT_TRUE(host.reports().empty());
}

TEST(GetResString, AMissingContinuationIsReportedAndWhatWasJoinedReturned) {
  testing::TestHost host;
  ResStringOverlay overlay({{8000, "first _"}, {8001, std::nullopt}});
  int16_t id = 8000;
  EXPECT_EQ(GetResString(id), "first ");
  EXPECT_EQ(id, 8001);
  ASSERT_EQ(host.reports().size(), 1u);
  EXPECT_EQ(host.reports()[0].number, 326);
  EXPECT_EQ(host.reports()[0].procedure, "modWizard:GetResString");
}

const char* kDesign = R"(Form frmT {
  Label lblNumeric { Caption: "design" Tag: "1002" ToolTipText: "8000" }
  Label lblWords { Caption: "design" Tag: "abc" }
  Label lblEmpty { Caption: "design" }
  TextBox txtNoCaption { Tag: "1002" ToolTipText: "1003" }
  Label lblJoined { Caption: "design" Tag: "8000" }
  ListView lvwList { }
  Image imgPicture { Tag: "1002" }
})";

TEST(ApplyResourceCaptions, ReplacesNumericTagsAndPassesOverWhatCannotTakeThem) {
  testing::TestHost host;
  ResStringOverlay overlay({{8000, "one _"}, {8001, "two"}});
  forms::DesignedForm form(kDesign, "t.gml");
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

TEST(ReplaceTopicText, PutsTheTopicsIn) {
  EXPECT_EQ(ReplaceTopicText(LoadResString(5009), "Sales", ""),
            "'Sales' is already in the data sources list.");
  EXPECT_EQ(ReplaceTopicText("<TOPIC_TEXT> and <TOPIC_TEXT>", "a", ""), "a and a");
  EXPECT_EQ(ReplaceTopicText("<TOPIC_TEXT>/<TOPIC_TEXT2>", "a", ""), "a/<TOPIC_TEXT2>");
  EXPECT_EQ(ReplaceTopicText("<TOPIC_TEXT>/<TOPIC_TEXT2>", "a", "b"), "a/b");
}

TEST(ReplaceTopicText, ATopicHoldingThePlaceholderIsPutInOnce) {
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

class FormFont : public ::testing::Test {
 protected:
  FormFont() { SetFontQueries(queries); }
  ~FormFont() override { SetFontQueries(nullptr); }
  const forms::Font& FontOf(const char* name) { return form.Find(name)->GetFont(); }

  testing::TestHost host;
  std::shared_ptr<FakeFontQueries> queries = std::make_shared<FakeFontQueries>();
  forms::DesignedForm form{kDesign, "t.gml"};
};

TEST_F(FormFont, TakesTheFontFromEntry600) {
  ResStringOverlay overlay({{600, "Name=Tahoma;Bold=1;Italic=0;Size=9.5"}});
  ApplyFormFont(form);
  EXPECT_EQ(form.GetFont(), (forms::Font{"Tahoma", 9.5, true, false}));
  EXPECT_EQ(FontOf("lblWords"), (forms::Font{"Tahoma", 9.5, true, false}));
}

TEST_F(FormFont, AnEmptyEntryMeansMsSansSerifEightRegular) {
  ResStringOverlay overlay({{600, ""}});
  ApplyFormFont(form);
  EXPECT_EQ(form.GetFont(), (forms::Font{"MS Sans Serif", 8, false, false}));
  EXPECT_EQ(FontOf("txtNoCaption"), (forms::Font{"MS Sans Serif", 8, false, false}));
}

TEST_F(FormFont, DoubleByteSystemWithSingleByteFontUsesTheGuiFaceOnePointLarger) {
  queries->doubleByteSystem = true;
  ApplyFormFont(form);
  EXPECT_EQ(form.GetFont(), (forms::Font{"MS Sans Serif", 8, false, false}));  // the form keeps it
  EXPECT_EQ(FontOf("lblNumeric"), (forms::Font{"MS UI Gothic", 9, false, false}));
  EXPECT_FALSE(form.Find("imgPicture")->HasFont());  // passed over
}

TEST_F(FormFont, DoubleByteFontOnASingleByteSystemFallsBackToMsSansSerif) {
  ResStringOverlay overlay({{600, "Name=MS Gothic;Size=9;Bold=0;Italic=1"}});
  ApplyFormFont(form);
  EXPECT_EQ(form.GetFont().name, "MS Gothic");
  EXPECT_EQ(FontOf("lblNumeric"), (forms::Font{"MS Sans Serif", 9, false, true}));
  queries->doubleByteSystem = true;  // both double-byte: nothing changes
  ApplyFormFont(form);
  EXPECT_EQ(FontOf("lblNumeric"), (forms::Font{"MS Gothic", 9, false, true}));
}

TEST(FontQueries, DoubleByteCodeSetsAreRecognised) {
  EXPECT_TRUE(IsDoubleByteCodeSet("SHIFT_JIS"));
  EXPECT_TRUE(IsDoubleByteCodeSet("GBK"));
  EXPECT_TRUE(IsDoubleByteCodeSet("BIG5"));
  EXPECT_TRUE(IsDoubleByteCodeSet("EUC-KR"));
  EXPECT_FALSE(IsDoubleByteCodeSet("UTF-8"));
  EXPECT_FALSE(IsDoubleByteCodeSet("ANSI_X3.4-1968"));
  EXPECT_FALSE(IsDoubleByteCodeSet("ISO-8859-1"));
  SystemFontQueries system;
  EXPECT_TRUE(system.IsDoubleByteFont("ms gothic"));
  EXPECT_FALSE(system.IsDoubleByteFont("MS Sans Serif"));
}

}  // namespace
}  // namespace lumora
