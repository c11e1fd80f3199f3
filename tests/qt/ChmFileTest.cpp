// The help-file reader against the lumora.chm that the build compiles from data/help, and the
// help window that shows its topics.
#include <gtest/gtest.h>

#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <fstream>
#include <string>

#include "platform/help/ChmFile.h"
#include "platform/qt/HelpWindow.h"
#include "support/RunProcess.h"

namespace lumora::forms {
namespace {

std::string BuiltHelpFile() {
  return testing::BinDir() + "/lumora.chm";
}

class ChmFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_FOR_MISSING(std::ifstream(BuiltHelpFile()) ? "" : "no " + BuiltHelpFile() + " was built");
  }
};

// Each page asks for its topic by number (the scripted cases help-*); here the built file's topic
// of each number, by the title the help window shows.
TEST_F(ChmFileTest, shouldReadWhatTheBuiltHelpFileHoldsAndNothingElse) {
  HelpWindow window(nullptr);
  for (const auto& [topic, title] : {std::pair{0, "Step 1: ODBC drivers"},
                                     {1, "Advanced driver attributes"},
                                     {3, "Step 2: ODBC data sources"},
                                     {4, "Advanced data source attributes"},
                                     {6, "Step 3: Summary"}}) {
    window.ShowTopic(BuiltHelpFile(), topic);
    EXPECT_EQ(window.windowTitle().toStdString(), std::string("Help - ") + title) << topic;
  }
  ChmFile file(BuiltHelpFile());
  ASSERT_TRUE(file.IsOpen()) << file.Error();
  // The stylesheet the topics link to lies in the file too; a path without "/" finds it.
  EXPECT_TRUE(file.Read("lumora.css").has_value());
  // The default topic answers context 0; an object the file does not hold reads as nothing.
  EXPECT_EQ(file.DefaultTopic(), "/topic0.html");
  EXPECT_EQ(file.TopicPath(0), "/topic0.html");
  EXPECT_FALSE(file.Read("/topic99.html").has_value());
  EXPECT_FALSE(file.Read("").has_value());
}

TEST(ChmFileErrors, shouldSayWhyAMissingOrForeignFileCannotBeOpenedOrShown) {
  ChmFile missing("/nonexistent/lumora.chm");
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_NE(missing.Error().find("/nonexistent/lumora.chm"), std::string::npos);
  EXPECT_FALSE(missing.Read("/topic0.html").has_value());
  EXPECT_EQ(missing.DefaultTopic(), "");

  const std::string junk = ::testing::TempDir() + "junk.chm";
  std::ofstream(junk) << "this is not compiled help\n";
  ChmFile foreign(junk);
  EXPECT_FALSE(foreign.IsOpen());
  EXPECT_NE(foreign.Error().find("cannot be read"), std::string::npos);

  ChmFile folder(::testing::TempDir());
  EXPECT_FALSE(folder.IsOpen());

  // The help window says so in place of the topic.
  HelpWindow window(nullptr);
  window.ShowTopic("/nonexistent/lumora.chm", 3);
  EXPECT_NE(window.ShownText().indexOf("/nonexistent/lumora.chm does not exist"), -1);
}

TEST_F(ChmFileTest, shouldShowATopicWithItsStylesheetInTheHelpWindow) {
  HelpWindow window(nullptr);
  window.ShowTopic(BuiltHelpFile(), 6);
  // The heading wears the colour that the topic's stylesheet, read from the file, gives it.
  auto* browser = window.findChild<QTextBrowser*>("helpBrowser");
  ASSERT_NE(browser, nullptr);
  const QTextCharFormat heading = browser->document()->begin().charFormat();
  EXPECT_EQ(heading.foreground().color(), QColor("#1f3b63"));
  // A topic the file lacks is said in the window.
  window.ShowTopic(BuiltHelpFile(), 42);
  EXPECT_NE(window.ShownText().indexOf("has no topic 42"), -1);
}

// The contents pane lists the file's sitemap, the reference pages included; choosing an entry
// shows its page, the entry of the page shown is marked, and Back returns to the page before.
TEST_F(ChmFileTest, shouldNavigateThroughTheContentsPaneAndBack) {
  HelpWindow window(nullptr);
  window.ShowTopic(BuiltHelpFile(), 1);
  auto* contents = window.findChild<QTreeWidget*>("helpContents");
  auto* back = window.findChild<QToolButton*>("helpBack");
  ASSERT_TRUE(contents && back);
  ASSERT_NE(contents->currentItem(), nullptr);
  EXPECT_EQ(contents->currentItem()->text(0), "Advanced driver attributes");
  // An entry of the pane, and a text its page shows.
  for (const auto& [name, shows] :
       {std::pair{"Step 2: ODBC data sources", "Step 2: ODBC data sources"},
        {"Path symbols", "<WINSYSDIR>"},
        {"Attribute keys", "DriverODBCVer"}}) {
    const auto found = contents->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1) << name;
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, {},
                      contents->visualItemRect(found.front()).center());
    EXPECT_NE(window.ShownText().indexOf(shows), -1) << name;
    EXPECT_EQ(window.windowTitle(), QString("Help - ") + name);
    EXPECT_EQ(contents->currentItem(), found.front()) << name;
  }
  QTest::mouseClick(back, Qt::LeftButton);
  EXPECT_EQ(window.windowTitle(), "Help - Path symbols");
}

}  // namespace
}  // namespace lumora::forms
