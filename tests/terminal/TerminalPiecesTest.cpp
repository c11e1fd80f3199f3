// The terminal renderer's pure pieces: text measured in cells, wrapping, mnemonics, the editing
// of a text box, twips scaled to cells, and the help file's HTML as text.
#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <map>
#include <memory>
#include <tuple>

#include "platform/forms/CommandButton.h"
#include "platform/forms/Form.h"
#include "platform/forms/Frame.h"
#include "platform/forms/Label.h"
#include "platform/forms/TabOrder.h"
#include "platform/forms/TextBox.h"
#include "platform/help/HelpHtml.h"
#include "platform/terminal/CellGeometry.h"
#include "platform/terminal/Focus.h"
#include "platform/terminal/HelpLayout.h"
#include "platform/terminal/TextCells.h"
#include "platform/terminal/TextEditing.h"
#include "support/RunProcess.h"

namespace lumora::terminal {
namespace {

using forms::ContentsEntry;
using forms::HtmlBlocks;
using forms::HtmlTitle;
using forms::SitemapEntries;
using forms::TextBlock;

class Utf8Locale : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr); }
};

const char* const kSale = "\xE8\xB2\xA9";  // a wide character (two cells)
const char* const kAcute = "e\xCC\x81";    // e and a combining accent (one cell)

TEST_F(Utf8Locale, shouldFitTextToCellsWhateverItsCharacters) {
  // The text, the cells it must fill, whether the locale is UTF-8, what is shown.
  const std::tuple<std::string, int, bool, std::string> rows[] = {
      {"abc", 5, true, "abc  "},
      {"abcdef", 3, true, "abc"},
      {std::string(kSale) + kSale, 3, true, std::string(kSale) + " "},  // no half character
      {std::string(kAcute) + "x", 2, true, std::string(kAcute) + "x"},
      {"a\xFFz", 3, true, "a?z"},        // not UTF-8
      {"a\xE2\x82", 3, true, "a??"},     // cut short: each byte shows
      {"\x01z", 2, true, "?z"},          // a control character
      {"\x1b[2Jz", 5, true, "?[2Jz"},    // ESC
      {"a\xC2\x9BKz", 4, true, "a?Kz"},  // a C1 control (CSI)
      // Bidi controls: each a visible "?", never joined to the letter before it.
      {"exe\xE2\x80\xAEtxt", 7, true, "exe?txt"},              // U+202E right-to-left override
      {"x\xE2\x80\xAAy\xE2\x80\xACz", 5, true, "x?y?z"},       // U+202A embedding, U+202C pop
      {"x\xE2\x81\xA6y\xE2\x81\xA9", 4, true, "x?y?"},         // U+2066 isolate, U+2069 pop
      {"a\xE2\x80\x8E\xE2\x80\x8F\xD8\x9C", 4, true, "a???"},  // U+200E, U+200F, U+061C
      // Zero-width characters: shown, so that no text hides behind them.
      {"a\xE2\x80\x8B\xE2\x80\x8C\xE2\x80\x8D", 4, true, "a???"},  // U+200B-200D
      {"\xE2\x81\xA0\xEF\xBB\xBFz", 3, true, "??z"},               // U+2060, U+FEFF
      {std::string(kAcute), 3, false, "e? "},  // a locale without UTF-8: ASCII only
  };
  for (const auto& [text, cells, unicode, fitted] : rows)
    EXPECT_EQ(FitCells(text, cells, unicode), fitted) << text;
  EXPECT_EQ(CellWidth(std::string("[x] ") + kSale + kAcute), 7);
}

TEST_F(Utf8Locale, shouldWrapAtSpacesAndLineEnds) {
  const std::tuple<std::string, int, std::vector<std::string>> rows[] = {
      {"one two three", 7, {"one two", "three"}},
      {"add drivers by name", 11, {"add drivers", "by name"}},  // the break falls on a space
      {"abcdef", 3, {"abc", "def"}},
      {"a\r\nb", 5, {"a", "b"}},
      {"x\n  y", 10, {"x", "  y"}},  // a paragraph keeps its own indent
      {std::string(kSale) + kSale + kSale, 4, {std::string(kSale) + kSale, kSale}},
  };
  for (const auto& [text, cells, lines] : rows) EXPECT_EQ(WrapCells(text, cells), lines) << text;
}

TEST(Mnemonics, shouldMarkTheLetterAfterTheAmpersand) {
  const std::tuple<std::string, std::string, int, char> rows[] = {
      {"&Next", "Next", 0, 'n'},
      {"Save && &Quit", "Save & Quit", 7, 'q'},
      {"Help", "Help", -1, 0},
      {std::string(kSale) + "&A", std::string(kSale) + "A", 1, 'a'},
      {"Trailing&", "Trailing&", -1, 0},
  };
  for (const auto& [caption, shown, glyph, letter] : rows) {
    const Mnemonic m = ParseMnemonic(caption);
    EXPECT_EQ(std::tie(m.shown, m.glyph, m.letter), std::tie(shown, glyph, letter)) << caption;
  }
}

// Keys: < > ^ v (arrows), H E (Home, End), B (Backspace), X (Delete), N (Enter), "'c" types c.
void Play(TextEdit& edit, const std::string& keys) {
  const std::map<char, std::function<void()>> press = {
      {'<', [&] { edit.Left(); }},      {'>', [&] { edit.Right(); }},
      {'^', [&] { edit.Up(1); }},       {'v', [&] { edit.Down(1); }},
      {'H', [&] { edit.Home(); }},      {'E', [&] { edit.End(); }},
      {'B', [&] { edit.Backspace(); }}, {'X', [&] { edit.Delete(); }},
      {'N', [&] { edit.Insert("\n"); }}};
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == '\'') {
      edit.Insert(std::string(1, keys[++i]));
    } else {
      ASSERT_TRUE(press.contains(keys[i])) << "no key " << keys[i];
      press.at(keys[i])();
    }
  }
}

TEST_F(Utf8Locale, shouldEditTextAsAPersonTypes) {
  // What is tried, the text, whether it has many lines, the keys, the text after, the cursor.
  const std::tuple<const char*, std::string, bool, std::string, std::string, size_t, size_t>
      rows[] = {
          {"append a line", "A=1\r\nB=2", true, "vEN'C'='3", "A=1\r\nB=2\r\nC=3", 2, 3},
          {"split a line", "AB", true, ">N", "A\r\nB", 1, 0},
          {"join lines by backspace", "A\r\nB", true, "vB", "AB", 0, 1},
          {"join lines by delete", "A\r\nB", true, "EX", "AB", 0, 1},
          {"no new line in a one-line box", "AB", false, ">N", "AB", 0, 1},
          {"up keeps the column within the line", "ABCD\r\nE", true, "vE^", "ABCD\r\nE", 0, 1},
          {"wide character moves whole", std::string(kSale) + "x", false, ">B", "x", 0, 0},
          {"left at the start goes up", "AB\r\nC", true, "v<", "AB\r\nC", 0, 2},
          {"backspace at the start does nothing", "A", false, "HB", "A", 0, 0},
          {"delete at the end does nothing", "A", false, "EX", "A", 0, 1},
          {"lone line feeds read as lines", "A\nB", true, "v'x", "A\r\nxB", 1, 1},
      };
  for (const auto& [name, text, multiLine, keys, edited, line, column] : rows) {
    TextEdit edit(text, multiLine, 0, 0);
    Play(edit, keys);
    EXPECT_EQ(std::tuple(edit.Text(), edit.Line(), edit.Column()), std::tuple(edited, line, column))
        << name;
  }
}

TEST_F(Utf8Locale, shouldScrollALineByCells) {
  EXPECT_EQ(SkipCells("abcdef", 2, true), "cdef");
  EXPECT_EQ(SkipCells(std::string(kSale) + "x", 1, true), " x");  // half a wide character
  EXPECT_EQ(EncodeUtf8(0x8CA9), kSale);
  EXPECT_EQ(EncodeUtf8(0x1F600), "\xF0\x9F\x98\x80");
}

// The wizard's form: 7380 x 4980 twips of client area onto 78 x 22 cells inside a frame.
TEST(CellGeometryTest, shouldScaleTheWizardSoThatControlsSideBySideShareARow) {
  const CellGeometry grid(7380, 4980, 78, 22, 1, 1);
  // The control, its left, top, width and height in twips, the cells it takes.
  const std::tuple<const char*, int32_t, int32_t, int32_t, int32_t, CellRect> rows[] = {
      {"whole form", 0, 0, 7380, 4980, {1, 1, 22, 78}},
      {"list (eight rows)", 2340, 1230, 4800, 1800, {6, 25, 8, 51}},
      {"combo box", 2340, 3420, 3000, 315, {16, 25, 1, 32}},
      {"button beside it, 30 twips higher", 5700, 3390, 1440, 375, {16, 61, 1, 15}},
      {"a line 30 twips high", 2340, 3360, 4800, 30, {15, 25, 1, 51}},
      {"label just under the line", 2340, 3450, 4800, 240, {16, 25, 1, 51}},
      {"page moved out to the left", -10000, 0, 5280, 4380, {1, -105, 19, 56}},
  };
  for (const auto& [name, left, top, width, height, cells] : rows)
    EXPECT_EQ(grid.Scale(left, top, width, height), cells) << name;
}

void Bounds(forms::Control& c, int32_t left, int32_t top, int32_t width, int32_t height) {
  c.SetLeft(left);
  c.SetTop(top);
  c.SetWidth(width);
  c.SetHeight(height);
}

// A page with a label and its box, two buttons (one disabled), a page moved away, and a button
// on the form itself after the pages.
class TabOrderTest : public ::testing::Test {
 protected:
  template <class T>
  T& Place(const char* called, forms::Control* in, int16_t tabIndex,
           const char* caption = nullptr) {
    T& control = form.Add(std::make_unique<T>(called, forms::kNoIndex), in);
    Bounds(control, 0, 0, 1000, 300);
    control.SetTabIndex(tabIndex);
    if (caption != nullptr) control.SetCaption(caption);
    return control;
  }
  void SetUp() override {
    Bounds(form, 0, 0, 6000, 4000);
    Bounds(page, 0, 0, 5000, 3000);
    Bounds(hidden, -10000, 0, 5000, 3000);
    stop.SetEnabled(false);
    form.Show();
  }
  forms::Form form{"frmTest"};
  forms::CommandButton& quit = Place<forms::CommandButton>("cmdQuit", nullptr, 5, "&Quit");
  forms::Frame& page = Place<forms::Frame>("fraPage", nullptr, 1);
  forms::Frame& hidden = Place<forms::Frame>("fraHidden", nullptr, 2);
  forms::CommandButton& go = Place<forms::CommandButton>("cmdGo", &page, 3, "&Go");
  forms::CommandButton& stop = Place<forms::CommandButton>("cmdStop", &page, 2, "&Stop");
  forms::TextBox& box = Place<forms::TextBox>("txtName", &page, 1);
  forms::Label& name = Place<forms::Label>("lblName", &page, 0, "&Name");
  forms::CommandButton& away = Place<forms::CommandButton>("cmdAway", &hidden, 0, "&Away");
};

TEST_F(TabOrderTest, shouldGoThroughContainersByTabIndexOverWhatAPersonCanReach) {
  // The order both front ends share, before each leaves out what it cannot show or focus.
  EXPECT_EQ(forms::TabOrder(form),
            (std::vector<forms::Control*>{&name, &box, &stop, &go, &away, &quit}));
  EXPECT_EQ(forms::TabOrder(form, [&](const forms::Control& c) { return &c != &page; }),
            (std::vector<forms::Control*>{&away, &quit}));
  EXPECT_EQ(TabChain(form), (std::vector<forms::Control*>{&box, &go, &quit}));
  EXPECT_EQ(TabChain(form, true), (std::vector<forms::Control*>{&name, &box, &go, &quit}));
  EXPECT_EQ(ShownFocus(form), &box);
  form.MoveFocus(&go);
  EXPECT_EQ(ShownFocus(form), &go);
}

TEST_F(TabOrderTest, shouldFindWhatAMnemonicReaches) {
  // The letter, what it reaches, whether it clicks that.
  const std::tuple<char, forms::Control*, bool> rows[] = {
      {'n', &box, false},  // a label moves the focus to the stop after it
      {'g', &go, true},      {'q', &quit, true}, {'s', nullptr, false},  // disabled
      {'a', nullptr, false},                                             // on a page not shown
      {'z', nullptr, false},
  };
  for (const auto& [letter, control, click] : rows) {
    const MnemonicTarget target = FindMnemonic(form, letter);
    EXPECT_EQ(std::pair(target.control, target.click), std::pair(control, click)) << letter;
  }
}

TEST_F(Utf8Locale, shouldTurnATopicIntoReadableBlocks) {
  // A topic with each kind of block, nested lists, and a preformatted end.
  const std::string html = testing::ReadFile("tests/data/help/topic.html");
  const std::vector<TextBlock> blocks = HtmlBlocks(html);
  std::vector<std::tuple<TextBlock::Kind, std::string, int>> read;
  for (const TextBlock& b : blocks) read.emplace_back(b.kind, b.text, b.depth);
  EXPECT_EQ(read, (decltype(read){{TextBlock::kHeading, "Step 2: data sources", 0},
                                  {TextBlock::kParagraph, "Tick every data source.", 0},
                                  {TextBlock::kItem, "First one", 1},
                                  {TextBlock::kItem, "Second", 1},
                                  {TextBlock::kItem, "Inner", 2},
                                  {TextBlock::kTerm, "Advanced...", 0},
                                  {TextBlock::kDefinition, "Opens the page.", 0},
                                  {TextBlock::kPreformatted, "a  b\nc", 0}}));
  EXPECT_EQ(HtmlTitle(html), "Step 2");
  EXPECT_EQ(HtmlTitle("<body><h1>Only a heading</h1></body>"), "Only a heading");
  // A definition stays under its term.
  EXPECT_EQ(LayOut(blocks, 40, false),
            (std::vector<std::string>{"Step 2: data sources", "====================", "",
                                      "Tick every data source.", "", "  * First one", "",
                                      "  * Second", "", "    * Inner", "", "Advanced...",
                                      "    Opens the page.", "", "a  b", "c"}));
}

// Three entries, the last nested under the second, which names no topic.
TEST(HelpContents, shouldListTheSitemapWithItsNesting) {
  std::vector<std::tuple<std::string, std::string, int>> read;
  for (const ContentsEntry& e : SitemapEntries(testing::ReadFile("tests/data/help/contents.hhc")))
    read.emplace_back(e.name, e.local, e.depth);
  EXPECT_EQ(read, (decltype(read){{"Step 1", "topic0.html", 0},
                                  {"Reference", "", 0},
                                  {"Symbols", "symbols.html", 1}}));
}

}  // namespace
}  // namespace lumora::terminal
