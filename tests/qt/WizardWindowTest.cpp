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
    const HostSettings settings{.componentDir = testing::BinDir(), .registry = "none"};
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
    const QModelIndexList found = drivers->model()->match(
        drivers->model()->index(0, 0), Qt::DisplayRole, "SQL Server", 1, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    const int row = found[0].row();
    const QRect rect = drivers->visualRect(drivers->model()->index(row, 0));
    for (const bool ticked : {true, false, true}) {  // a click on the entry's check box
      QTest::mouseClick(drivers->viewport(), Qt::LeftButton, {},
                        QPoint(rect.left() + rect.height() / 2 + 2, rect.center().y()));
      EXPECT_EQ(drivers->model()->index(row, 0).data(Qt::CheckStateRole).toInt(),
                ticked ? Qt::Checked : Qt::Unchecked);
      EXPECT_EQ(advanced->isEnabled(), ticked);
    }
    for (int i = 0; i < 3; ++i)  // Next, Next, Finish
      QTest::mouseClick(Widget<QPushButton>(dialog, "cmdNav(3)"), Qt::LeftButton);
  });
  ASSERT_TRUE(finished);
  EXPECT_EQ(object_.Peek("DriversSelections"), Value::Booleans({true}));
}

// Without a host window the wizard is a window of its own that wears the application icon: not a
// dialog, which the X11 platform would make transient for an invisible owner window. Alt+N and
// Alt+B move through its pages; Advanced stays disabled on the way back, no driver being ticked.
TEST_F(WizardWindow, shouldBeAWindowOfItsOwnAndMoveOnWithAltN) {
  Display([&](QDialog& dialog) {
    ASSERT_NE(dialog.windowHandle(), nullptr);
    EXPECT_EQ(dialog.windowType(), Qt::Window);
    EXPECT_EQ(dialog.windowHandle()->transientParent(), nullptr);
    EXPECT_FALSE(dialog.windowIcon().isNull());
    QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(Form().CurrentStep, int16_t{3}, 2000);
    QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(Form().CurrentStep, int16_t{6}, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(Widget<QPushButton>(dialog, "cmdNav(3)")->text(), QString("&Finish"),
                              2000);
    QTest::keyClick(&dialog, Qt::Key_B, Qt::AltModifier);  // Back from the summary
    QTRY_COMPARE_WITH_TIMEOUT(Form().CurrentStep, int16_t{3}, 2000);
    EXPECT_EQ(Widget<QPushButton>(dialog, "cmdNav(3)")->text(), "&Next");
    QTest::keyClick(&dialog, Qt::Key_B, Qt::AltModifier);  // back on the drivers' page
    QTRY_COMPARE_WITH_TIMEOUT(Form().CurrentStep, int16_t{0}, 2000);
    EXPECT_FALSE(Widget<QPushButton>(dialog, "cmdDrvAdv")->isEnabled()) << "no driver is ticked";
  });
}

// A list shows a horizontal scroll bar only when an entry is wider than it, and whole rows only.
TEST_F(WizardWindow, shouldDrawListsWithScrollBarsOnlyWhenNeededAndWholeRows) {
  const std::string wide(150, 'W');
  object_.PutProperty("Drivers", Value::Strings({"SQL Server", wide}));
  object_.PutProperty("DriversInfo", Value::Strings({"Driver=a.dll", "Driver=b.dll"}));
  object_.PutProperty("DriversSelections", Value::Booleans({false, false}));
  object_.PutProperty("DataSources", Value::Strings({"Orders"}));
  object_.PutProperty("DataSourcesInfo", Value::Strings({"Driver=<WINSYSDIR>\\odbcjt32.dll"}));
  object_.PutProperty("DataSourcesTypes", Value::Strings({"user"}));
  object_.PutProperty("DataSourcesSelections", Value::Booleans({false}));
  object_.PutProperty("DataSourcesUninstFlags", Value::Booleans({false}));
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
