// The wizard in its window, driven with the mouse and keyboard as a person drives it: the
// component entry runs on a design object, the window renderer shows frmWizard, and QTest's
// clicks and keys go through the window to the page handlers.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <QWindow>
#include <string>
#include <vector>

#include "ModalRun.h"
#include "contract/ProcessState.h"
#include "contract/Value.h"
#include "control/LumoraCtl.h"
#include "hostlib/LocalHostLibrary.h"
#include "support/RunProcess.h"
#include "support/doubles/MemoryDesignObject.h"
#include "ui/Wizard.h"
#include "ui/frmWizard.h"

namespace lumora {
namespace {

using testing::ModalRun;
using testing::Widget;

// The wizard on an object holding one unticked driver and one data source, with the shipped
// catalogue and no registered data sources.
class WizardWindow : public ::testing::Test {
 protected:
  WizardWindow() {
    HostSettings settings;
    settings.componentDir = testing::BinDir();
    settings.registry = "none";
    component::Attach(std::make_shared<LocalHostLibrary>(settings), testing::BinDir());
    object_.PutProperty("DTDBVerNo", Value::Integer(0));
    object_.PutProperty("Drivers", Value::Strings({"SQL Server"}));
    object_.PutProperty("DriversInfo", Value::Strings({"Driver=<WINSYSDIR>\\sqlsrv32.dll"}));
    object_.PutProperty("DriversSelections", Value::Booleans({false}));
    object_.ClearLog();
  }
  ~WizardWindow() override {
    frmWizard::Reset();
    component::Detach();
  }

  // Runs the wizard entry while `steps` act on its window; returns what the entry returned.
  bool Display(const std::function<void(QDialog&)>& steps) {
    bool result = false;
    run_.Run(steps, [&] { result = control_.IDevWizard_Display(&object_); });
    return result;
  }

  frmWizard& Form() { return *frmWizard::Existing(); }
  // Adds the data source Orders, ticked or not.
  void AddDataSource(bool ticked) {
    object_.PutProperty("DataSources", Value::Strings({"Orders"}));
    object_.PutProperty("DataSourcesInfo", Value::Strings({"Driver=<WINSYSDIR>\\odbcjt32.dll"}));
    object_.PutProperty("DataSourcesTypes", Value::Strings({"user"}));
    object_.PutProperty("DataSourcesSelections", Value::Booleans({ticked}));
    object_.PutProperty("DataSourcesUninstFlags", Value::Booleans({false}));
  }

  // Ticks entry `row` (0-based) of a list view by clicking its check box.
  static void ClickCheckBox(QTreeView* list, int row) {
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      QPoint(rect.left() + rect.height() / 2 + 2, rect.center().y()));
  }
  static int Row(QTreeView* list, const QString& text) {
    for (int i = 0; i < list->model()->rowCount(); ++i) {
      if (list->model()->index(i, 0).data().toString() == text) return i;
    }
    ADD_FAILURE() << "no entry " << text.toStdString();
    return 0;
  }

  MemoryDesignObject object_;
  ModalRun run_;
  LumoraCtl control_;
};

// A driver ticked with the mouse enables Advanced (unticking the last one disables it), and Finish
// stores the tick. (Text typed on the advanced page and committed by Close: the script case
// attribute-edit, and WindowRendererTest's focus lost before a click and classic line ends.)
TEST_F(WizardWindow, shouldTickWithTheMouseEnableAdvancedAndStoreTheTick) {
  const bool finished = Display([&](QDialog& dialog) {
    auto* advanced = Widget<QPushButton>(dialog, "cmdDrvAdv");
    auto* drivers = Widget<QTreeView>(dialog, "lvwDrivers");
    ASSERT_NE(drivers, nullptr);
    EXPECT_FALSE(advanced->isEnabled());
    const int row = Row(drivers, "SQL Server");
    for (const bool ticked : {true, false, true}) {
      ClickCheckBox(drivers, row);
      EXPECT_EQ(drivers->model()->index(row, 0).data(Qt::CheckStateRole).toInt(),
                ticked ? Qt::Checked : Qt::Unchecked);
      EXPECT_EQ(advanced->isEnabled(), ticked);
    }
    for (int i = 0; i < 3; ++i) {  // Next, Next, Finish
      QTest::mouseClick(Widget<QPushButton>(dialog, "cmdNav(3)"), Qt::LeftButton);
    }
  });
  ASSERT_TRUE(finished);
  EXPECT_EQ(object_.Peek("DriversSelections"), Value::Booleans({true}));
}

// Without a host window the wizard is a window of its own that wears the application icon: not a
// dialog, which the X11 platform would make transient for an invisible owner window. Alt+N and
// Alt+B move through its pages, and so does Enter on the focused Back button.
TEST_F(WizardWindow, shouldBeAWindowOfItsOwnAndMoveOnWithAltN) {
  Display([&](QDialog& dialog) {
    ASSERT_NE(dialog.windowHandle(), nullptr);
    EXPECT_EQ(dialog.windowType(), Qt::Window);
    EXPECT_EQ(dialog.windowHandle()->transientParent(), nullptr);
    EXPECT_FALSE(dialog.windowIcon().isNull());
    QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(Form().CurrentStep, int16_t{3}, 2000);
    EXPECT_FALSE(Widget<QTreeView>(dialog, "lvwDrivers")->isVisible());
    QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(Form().CurrentStep, int16_t{6}, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(Widget<QPushButton>(dialog, "cmdNav(3)")->text(), QString("&Finish"),
                              2000);
    QTest::keyClick(&dialog, Qt::Key_B, Qt::AltModifier);  // Back from the summary
    QTRY_COMPARE_WITH_TIMEOUT(Form().CurrentStep, int16_t{3}, 2000);
    EXPECT_EQ(Widget<QPushButton>(dialog, "cmdNav(3)")->text(), "&Next");
    auto* back = Widget<QPushButton>(dialog, "cmdNav(2)");
    back->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY_WITH_TIMEOUT(back->hasFocus(), 2000);
    QTest::keyClick(back, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(Form().CurrentStep, int16_t{0}, 2000);
  });
}

// A list shows a horizontal scroll bar only when an entry is wider than it, and whole rows only.
TEST_F(WizardWindow, shouldDrawListsWithScrollBarsOnlyWhenNeededAndWholeRows) {
  const std::string wide(150, 'W');
  object_.PutProperty("Drivers", Value::Strings({"SQL Server", wide}));
  object_.PutProperty("DriversInfo", Value::Strings({"Driver=a.dll", "Driver=b.dll"}));
  object_.PutProperty("DriversSelections", Value::Booleans({false, false}));
  AddDataSource(false);
  Display([&](QDialog& dialog) {
    for (const auto& [name, scrollBar] : {std::pair{"lvwDrivers", true}, {"lvwDSNs", false}}) {
      auto* list = Widget<QTreeView>(dialog, name);
      QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), 2000);
      QCoreApplication::processEvents();
      EXPECT_EQ(list->horizontalScrollBar()->isVisible(), scrollBar) << name;
      EXPECT_GE(list->columnWidth(0), static_cast<QAbstractItemView*>(list)->sizeHintForColumn(0))
          << name << ": its widest entry";
      const int row = list->sizeHintForRow(0);
      ASSERT_GT(row, 0) << name;
      EXPECT_EQ(list->viewport()->height() % row, 0)
          << name << ": a viewport of " << list->viewport()->height() << " for rows of " << row;
      QTest::mouseClick(Widget<QPushButton>(dialog, "cmdNav(3)"), Qt::LeftButton);  // Next
    }
  });
}

}  // namespace
}  // namespace lumora
