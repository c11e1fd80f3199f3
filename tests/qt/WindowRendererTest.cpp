// The window renderer against a small form of its own: what the window shows follows the
// runtime, and what a person does in the window reaches the runtime as the classic events.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeView>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "ModalRun.h"
#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/FormDesign.h"
#include "platform/forms/Frame.h"
#include "platform/forms/Image.h"
#include "platform/forms/Label.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/TextBox.h"
#include "platform/qt/ListViewModel.h"
#include "support/RunProcess.h"
#include "support/TestHost.h"

namespace lumora::forms {
namespace {

using testing::ModalRun;
using testing::Widget;

// The form of tests/data/forms/renderer-test.gml with every event it raises written to a log.
class TestForm : public DesignedForm {
 public:
  TestForm()
      : DesignedForm(testing::ReadFile("tests/data/forms/renderer-test.gml"), "renderer-test.gml") {
    for (Control* c : Controls()) {  // every control's events, named as their handlers are
      const std::string name = c->DisplayName() + "_";
      c->OnClick = [this, name] { events.push_back(name + "Click"); };
      c->OnGotFocus = [this, name] { events.push_back(name + "GotFocus"); };
      c->OnLostFocus = [this, name] { events.push_back(name + "LostFocus"); };
      if (auto* box = dynamic_cast<TextBox*>(c))
        box->OnChange = [this, name] { events.push_back(name + "Change"); };
    }
    lvwItems.OnItemCheck = [this](ListItem& item) {
      events.push_back("lvwItems_ItemCheck " + item.Text() + (item.Checked() ? " on" : " off"));
    };
    OnKeyDown = [this](int16_t& key, int16_t) {
      events.push_back("Form_KeyDown " + std::to_string(key));
    };
    lvwItems.ColumnHeaders().Add(0, "main", "main", 2800);
    for (const char* text : {"Alpha", "Beta", "Gamma"}) lvwItems.ListItems().Add(0, {}, text);
    for (const char* text : {"First", "Second"}) cboKind.AddItem(text);
  }

  TextBox& txtName = Get<TextBox>("txtName");
  TextBox& txtNotes = Get<TextBox>("txtNotes");
  ListView& lvwItems = Get<ListView>("lvwItems");
  ComboBox& cboKind = Get<ComboBox>("cboKind");
  CheckBox& chkFlag = Get<CheckBox>("chkFlag");
  OptionButton& optB = Get<OptionButton>("optB");
  Label& lblInfo = Get<Label>("lblInfo");
  CommandButton& cmdNext = Get<CommandButton>("cmdNext");
  std::vector<std::string> events;

  bool Logged(const std::string& event) const { return Count(event) > 0; }
  long Count(const std::string& event) const {
    return std::count(events.begin(), events.end(), event);
  }
  // The events of the log that start with one of `prefixes`, in order.
  std::vector<std::string> Of(std::initializer_list<std::string_view> prefixes) const {
    std::vector<std::string> of;
    for (const std::string& e : events) {
      if (std::ranges::any_of(prefixes, [&](auto p) { return e.starts_with(p); })) of.push_back(e);
    }
    return of;
  }
};

class WindowRendererTest : public ::testing::Test {
 protected:
  testing::TestHost host_;
  ModalRun run_;
  TestForm form_;
};

int Px(int twips) {
  const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
  return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

// --- The window follows the runtime ---

// The window shows every control as the design places it, then follows the changes code makes.
TEST_F(WindowRendererTest, shouldShowEveryControlAsTheDesignPlacesItAndFollowChangesMadeInCode) {
  run_.Run(form_, [&](QDialog& dialog) {
    auto* name = Widget<QLineEdit>(dialog, "txtName");
    auto* next = Widget<QPushButton>(dialog, "cmdNext");
    auto* items = Widget<QTreeView>(dialog, "lvwItems");
    auto* kind = Widget<QComboBox>(dialog, "cboKind");
    auto* label = Widget<QLabel>(dialog, "lblInfo");
    ASSERT_TRUE(name && next && items && kind && label);
    EXPECT_EQ(dialog.windowTitle(), "Test window");
    EXPECT_EQ(name->geometry(), QRect(Px(120), Px(120), Px(2400), Px(315)));
    // The client area is what the controls cover: 6000 x 3575 twips.
    EXPECT_EQ(dialog.size(), QSize(Px(6000), Px(3575)));
    EXPECT_EQ(next->text(), "&Next");
    EXPECT_EQ(Widget<QCheckBox>(dialog, "chkFlag")->text(), "&Flag");
    EXPECT_EQ(label->text(), "Fish & chips");
    EXPECT_TRUE(label->isVisible());
    EXPECT_TRUE(Widget<QRadioButton>(dialog, "optA")->isChecked());
    EXPECT_EQ(Widget<QGroupBox>(dialog, "fraPage(1)")->title(), "Second page");
    ASSERT_EQ(items->model()->rowCount(), 3);
    EXPECT_EQ(items->model()->index(1, 0).data().toString(), "Beta");
    EXPECT_EQ(items->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_TRUE(items->isHeaderHidden());
    EXPECT_EQ(kind->count(), 2);
    EXPECT_EQ(kind->currentIndex(), -1);

    form_.SetCaption("Renamed");
    form_.cmdNext.SetCaption("&Finish");
    form_.cmdNext.SetEnabled(false);
    form_.txtName.SetText("typed in code");
    form_.txtNotes.SetText("one\r\ntwo");
    form_.chkFlag.SetValue(kGrayed);
    form_.optB.SetValue(true);
    form_.lvwItems.ListItems().Item(3).SetChecked(true);
    form_.lvwItems.ListItems().Add(0, {}, "Delta");
    form_.cboKind.SetListIndex(1);
    form_.lblInfo.SetLeft(2700);
    form_.lblInfo.SetVisible(false);
    form_.txtName.SetFont(Font{.size = 12, .bold = true});

    EXPECT_EQ(dialog.windowTitle(), "Renamed");
    EXPECT_EQ(next->text(), "&Finish");
    EXPECT_FALSE(next->isEnabled());
    EXPECT_EQ(name->text(), "typed in code");
    EXPECT_EQ(Widget<QPlainTextEdit>(dialog, "txtNotes")->toPlainText(), "one\ntwo");
    EXPECT_EQ(Widget<QCheckBox>(dialog, "chkFlag")->checkState(), Qt::PartiallyChecked);
    EXPECT_TRUE(Widget<QRadioButton>(dialog, "optB")->isChecked());
    EXPECT_FALSE(Widget<QRadioButton>(dialog, "optA")->isChecked());
    ASSERT_EQ(items->model()->rowCount(), 4);
    EXPECT_EQ(items->model()->index(2, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(items->model()->index(3, 0).data().toString(), "Delta");
    EXPECT_EQ(kind->currentText(), "Second");
    EXPECT_EQ(label->x(), Px(2700));
    EXPECT_FALSE(label->isVisible());
    EXPECT_EQ(name->font().pointSizeF(), 12);
    EXPECT_TRUE(name->font().bold());
    // The classic dialog face becomes this platform's user-interface face.
    EXPECT_EQ(name->font().family(),
              QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());

    form_.lvwItems.ListItems().Clear();
    form_.cboKind.Clear();
    EXPECT_EQ(items->model()->rowCount(), 0);
    EXPECT_EQ(kind->count(), 0);
  });
  // Changes made in code raise their own events once, and the window echoes none back.
  EXPECT_EQ(form_.Count("txtName_Change"), 1);
  EXPECT_EQ(form_.Count("cboKind_Click"), 1);
  EXPECT_EQ(form_.Count("lvwItems_Click"), 0);
}

// A picture is read as the format its name says, else as its content says; one that cannot be
// read shows nothing.
TEST_F(WindowRendererTest, shouldShowAPictureWhateverItsNameSaysOfItsFormat) {
  testing::TempDir dir;
  QImage art(7, 5, QImage::Format_RGB32);
  art.fill(Qt::red);
  // A file, the format it is written in (none: not written as an image), whether it shows.
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"art.png", "PNG", true}, {"art.bmp", "BMP", true},       {"png-named.bmp", "PNG", true},
      {"unnamed", "PNG", true}, {"broken.png", nullptr, false}, {"missing.png", nullptr, false}};
  for (const auto& [file, format, shown] : cases)
    ASSERT_TRUE(!format || art.save(QString::fromStdString(dir.File(file)), format)) << file;
  dir.Write("broken.png", "not an image");
  auto& image = form_.Get<Image>("imgArt");
  run_.Run(form_, [&](QDialog& dialog) {
    auto* label = Widget<QLabel>(dialog, "imgArt");
    for (const auto& [file, format, shown] : cases) {
      image.SetPicture(dir.File(file));
      const QPixmap pixmap = label->pixmap();
      EXPECT_EQ(!pixmap.isNull(), shown) << file;
      if (shown) {
        EXPECT_EQ(pixmap.size(), QSize(7, 5)) << file;
        EXPECT_EQ(pixmap.toImage().pixelColor(3, 2), QColor(Qt::red)) << file;
      }
    }
  });
}

// A button is clicked by its mnemonic, but not one on a frame moved off its container. The
// controls of a page moved off the form get their widgets when the page is first shown, wired and
// in the page's place.
TEST_F(WindowRendererTest, shouldClickByMnemonicOnlyWhatAFrameMovedOffItsContainerDoesNotHide) {
  run_.Run(form_, [&](QDialog& dialog) {
    EXPECT_EQ(dialog.findChild<QPushButton*>("cmdHidden"), nullptr);
    QTest::keyClick(&dialog, Qt::Key_H, Qt::AltModifier);
    QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(form_.Logged("cmdNext_Click"), 2000);
    EXPECT_FALSE(form_.Logged("cmdHidden_Click"));

    form_.Get<Frame>("fraPage", 1).SetLeft(0);
    form_.Get<Frame>("fraPage", 0).SetLeft(-10000);
    auto* hidden = Widget<QPushButton>(dialog, "cmdHidden");
    EXPECT_TRUE(hidden->isVisible());
    EXPECT_EQ(hidden->geometry(), QRect(Px(120), Px(120), Px(1200), Px(375)));
    EXPECT_FALSE(Widget<QLineEdit>(dialog, "txtName")->isVisible());
    QTest::keyClick(&dialog, Qt::Key_H, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(form_.Logged("cmdHidden_Click"), 2000);
  });
}

// --- A person's actions reach the runtime ---

// Multi-line text is stored with classic line ends, and Return there is a new line, not the
// form's Enter; a text box loses the focus before the button clicked is told of it.
TEST_F(WindowRendererTest, shouldStoreClassicLineEndsAndLoseTheFocusBeforeAClick) {
  run_.Run(form_, [&](QDialog& dialog) {
    auto* notes = Widget<QPlainTextEdit>(dialog, "txtNotes");
    QTest::mouseClick(notes->viewport(), Qt::LeftButton);
    QTest::keyClicks(notes, "a=1");
    QTest::keyClick(notes, Qt::Key_Return);
    QTest::keyClicks(notes, "b=2");
    EXPECT_EQ(form_.txtNotes.Text(), "a=1\r\nb=2");
    auto* name = Widget<QLineEdit>(dialog, "txtName");
    QTest::mouseClick(name, Qt::LeftButton);
    QTest::keyClicks(name, "abc");
    EXPECT_EQ(form_.txtName.Text(), "abc");
    EXPECT_EQ(form_.ActiveControl(), &form_.txtName);
    QTest::mouseClick(Widget<QPushButton>(dialog, "cmdNext"), Qt::LeftButton);
  });
  // txtName has the focus when the window opens and loses it to txtNotes; then one Change per
  // keystroke, as a person typing raises them.
  EXPECT_EQ(form_.Of({"txtName_", "cmdNext_"}),
            (std::vector<std::string>{"txtName_GotFocus", "txtName_LostFocus", "txtName_GotFocus",
                                      "txtName_Change", "txtName_Change", "txtName_Change",
                                      "txtName_LostFocus", "cmdNext_GotFocus", "cmdNext_Click"}));
  EXPECT_TRUE(form_.Logged("txtNotes_LostFocus"));
  EXPECT_FALSE(form_.Logged("Form_KeyDown 13"));
}

// A person's ticks, choices and clicks reach the runtime as its events.
TEST_F(WindowRendererTest, shouldRaiseTheEventsOfAPersonsTicksChoicesAndClicks) {
  run_.Run(form_, [&](QDialog& dialog) {
    auto* items = Widget<QTreeView>(dialog, "lvwItems");
    // A person toggles the entry's check box; the list view's own item change is the signal
    // (the runtime's state at each ItemCheck is in the log).
    items->model()->setData(items->model()->index(1, 0), Qt::Checked, Qt::CheckStateRole);
    items->model()->setData(items->model()->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
    // A tick the runtime refuses (the list is disabled there, though the window lags behind)
    // is taken back and raises nothing.
    form_.lvwItems.SetEnabled(false);
    items->setEnabled(true);
    items->model()->setData(items->model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    EXPECT_FALSE(form_.lvwItems.ListItems().Item(1).Checked());
    EXPECT_EQ(items->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);

    auto* kind = Widget<QComboBox>(dialog, "cboKind");
    kind->setFocus();
    QTest::keyClick(kind, Qt::Key_Down);  // a person picks the next entry
    EXPECT_EQ(form_.cboKind.ListIndex(), 0);
    auto* flag = Widget<QCheckBox>(dialog, "chkFlag");
    QTest::mouseClick(flag, Qt::LeftButton, {}, QPoint(8, flag->height() / 2));  // on the box
    EXPECT_EQ(form_.chkFlag.Value(), kChecked);
    EXPECT_EQ(flag->checkState(), Qt::Checked);
    QTest::mouseClick(Widget<QRadioButton>(dialog, "optB"), Qt::LeftButton);
    EXPECT_FALSE(Widget<QRadioButton>(dialog, "optA")->isChecked());
  });
  // Each control a person acts on takes the focus first.
  EXPECT_EQ(form_.Of({"lvwItems_", "cboKind_", "chkFlag_", "opt"}),
            (std::vector<std::string>{
                "lvwItems_GotFocus", "lvwItems_ItemCheck Beta on", "lvwItems_Click",
                "lvwItems_ItemCheck Beta off", "lvwItems_Click", "lvwItems_LostFocus",
                "cboKind_GotFocus", "cboKind_Click", "cboKind_LostFocus", "chkFlag_GotFocus",
                "chkFlag_Click", "chkFlag_LostFocus", "optB_GotFocus", "optB_Click"}));
}

// Enter in a text box finds no Default button here and clicks nothing; on a focused button it
// clicks that button, as Space does.
TEST_F(WindowRendererTest, shouldSendEscapeF1AndEnterToTheFormFirst) {
  form_.SetHelpContextID(4);
  App().SetHelpFile("/nonexistent/help.chm");
  run_.Run(form_, [&](QDialog& dialog) {
    auto* name = Widget<QLineEdit>(dialog, "txtName");
    QTest::mouseClick(name, Qt::LeftButton);
    QTest::keyClick(name, Qt::Key_F1);
    auto* help = dialog.findChild<QWidget*>("helpWindow");
    ASSERT_TRUE(help != nullptr && help->isVisible());
    QTest::keyClick(name, Qt::Key_Return);
    auto* next = Widget<QPushButton>(dialog, "cmdNext");
    next->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(form_.ActiveControl(), &form_.cmdNext);
    QTest::keyClick(next, Qt::Key_Return);
    QTest::keyClick(next, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(next, Qt::Key_Space);
    QTest::keyClick(name, Qt::Key_Escape);
  });
  App().SetHelpFile({});
  // Escape then clicks the form's Cancel button.
  EXPECT_EQ(form_.Of({"Form_KeyDown", "cmdCancel_", "cmdNext_Click"}),
            (std::vector<std::string>{"Form_KeyDown 112", "Form_KeyDown 13", "Form_KeyDown 13",
                                      "cmdNext_Click", "Form_KeyDown 13", "cmdNext_Click",
                                      "cmdNext_Click", "Form_KeyDown 27", "cmdCancel_Click"}));
}

TEST_F(WindowRendererTest, shouldAskTheFormWhenTheCloseBoxIsUsed) {
  form_.OnQueryUnload = [this](int16_t& cancel, int16_t mode) {
    form_.events.push_back("Form_QueryUnload " + std::to_string(mode));
    cancel = 1;  // the first close is refused
    form_.OnQueryUnload = nullptr;
  };
  run_.Run(form_, [&](QDialog& dialog) {
    dialog.close();
    EXPECT_EQ(std::pair(form_.IsLoaded(), dialog.isVisible()), std::pair(true, true));
    dialog.close();
    EXPECT_EQ(std::pair(form_.IsLoaded(), dialog.isVisible()), std::pair(false, false));
  });
  EXPECT_TRUE(form_.Logged("Form_QueryUnload 0"));
}

// A message box shows its title and text and no icon; a handler that then unloads the form
// closes the window and ends the modal show.
TEST_F(WindowRendererTest, shouldShowAMessageBoxAndEndTheModalShowWhenAHandlerUnloadsTheForm) {
  QString title, text;
  form_.cmdNext.OnClick = [this] {
    MsgBox("'X' is already in the list.", kVbOKOnly, "Add New Item");
    form_.Unload();
  };
  bool returned = false;
  run_.Run(
      [&](QDialog& dialog) {
        QTimer::singleShot(50, [&] {
          auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
          ASSERT_NE(box, nullptr);
          title = box->windowTitle();
          text = box->text();
          EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
          box->button(QMessageBox::Ok)->click();
        });
        const QPointer<QDialog> window(&dialog);
        QTest::mouseClick(Widget<QPushButton>(dialog, "cmdNext"), Qt::LeftButton);
        EXPECT_FALSE(form_.IsLoaded());
        EXPECT_TRUE(window.isNull() || !window->isVisible());
      },
      [&] {
        form_.Show(ShowMode::Modal);
        returned = true;
      });
  EXPECT_TRUE(returned);
  EXPECT_EQ(title, "Add New Item");
  EXPECT_EQ(text, "'X' is already in the list.");
}

TEST_F(WindowRendererTest, shouldKeepTheWindowAnsweringWhileABusyTaskRunsUntilCancelled) {
  bool cancelled = false, busyCursor = false, dialogShown = false;
  form_.cmdNext.OnClick = [&] {
    App().GetPresenter().RunBusy("Trying 'Shop'...", [&](const std::atomic<bool>& cancel) {
      for (int i = 0; i < 500 && !cancel; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      cancelled = cancel;
    });
    form_.Unload();
  };
  run_.Run(
      [&](QDialog& dialog) {
        QTimer::singleShot(700, [&] {  // the window's event loop runs while the task waits
          busyCursor = QApplication::overrideCursor() != nullptr &&
                       QApplication::overrideCursor()->shape() == Qt::BusyCursor;
          auto* busy = dialog.findChild<QProgressDialog*>("busyDialog");  // over the form's window
          dialogShown = busy != nullptr && busy->isVisible();
          auto* cancel = busy != nullptr ? busy->findChild<QPushButton*>() : nullptr;
          if (cancel != nullptr) cancel->click();
        });
        QTest::mouseClick(Widget<QPushButton>(dialog, "cmdNext"), Qt::LeftButton);
      },
      [&] { form_.Show(ShowMode::Modal); });
  EXPECT_EQ(std::tuple(busyCursor, dialogShown, cancelled), std::tuple(true, true, true));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowRendererTest, shouldNotEchoAHandlerChangeBackIntoTheRuntime) {
  // A Change handler that rewrites the text (upper case) must not start a loop.
  form_.txtName.OnChange = [this] {
    form_.events.push_back("txtName_Change");
    std::string upper = form_.txtName.Text();
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    form_.txtName.SetText(upper);
  };
  run_.Run(form_, [&](QDialog& dialog) {
    auto* name = Widget<QLineEdit>(dialog, "txtName");
    QTest::mouseClick(name, Qt::LeftButton);
    QTest::keyClicks(name, "ab");
    EXPECT_EQ(name->text(), "AB");
    EXPECT_EQ(form_.txtName.Text(), "AB");
  });
  // Per key: the typed text's Change, then the rewrite's Change (which changes nothing more).
  EXPECT_EQ(form_.Count("txtName_Change"), 4);
}

// The list view's model reads the runtime's entries, but the rows a view knows change only when
// the window refreshes it: a view is never handed a row the runtime already took away. (A
// person's tick is handed on to the runtime, which may refuse it: the ticks above.)
TEST(ListViewModelTest, shouldKeepItsRowsUntilRefreshed) {
  ListView list("lvw", kNoIndex);
  ListViewModel model(list);
  for (const char* text : {"a", "b", "c"}) list.ListItems().Add(0, {}, text);
  EXPECT_EQ(model.rowCount(), 0);
  model.Refresh();
  list.ListItems().Remove(3);
  EXPECT_EQ(model.rowCount(), 3);
  EXPECT_FALSE(model.index(2, 0).data().isValid()) << "a row gone from the runtime shows nothing";
  model.Refresh();
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.index(0, 0).data(), "a");
}

}  // namespace
}  // namespace lumora::forms
