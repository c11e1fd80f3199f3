// The list, combo and attribute-editor helpers over real runtime controls.
#include <gtest/gtest.h>

#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/Form.h"
#include "platform/forms/FormObserver.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/TextBox.h"
#include "services/WizAPI.h"
#include "support/TestHost.h"

namespace lumora {
namespace {

using namespace forms;

template <class Record>
std::shared_ptr<Record> Make(const std::string& name, bool selected,
                             const std::string& attributes = "") {
  auto r = std::make_shared<Record>();
  r->SetName(name);
  r->SetSelected(selected);
  r->SetAttribsString(attributes);
  return r;
}

class ControlHelpers : public ::testing::Test {
 protected:
  ControlHelpers()
      : lvw(form.Add(std::make_unique<ListView>("lvw", kNoIndex))),
        cbo(form.Add(std::make_unique<ComboBox>("cbo", kNoIndex))),
        txt(form.Add(std::make_unique<TextBox>("txt", kNoIndex))),
        optUser(form.Add(std::make_unique<OptionButton>("optUser", kNoIndex))),
        optSystem(form.Add(std::make_unique<OptionButton>("optSystem", kNoIndex))),
        chk(form.Add(std::make_unique<CheckBox>("chk", kNoIndex))) {
    cbo.SetStyle(kDropdownList);
  }

  std::vector<std::string> ListTexts() const {
    std::vector<std::string> out;
    for (const auto& item : lvw.ListItems())
      out.push_back(item->Text() + (item->Checked() ? "+" : ""));
    return out;
  }

  testing::TestHost host;
  WizAPI api;
  Form form{"frmTest"};
  ListView& lvw;
  ComboBox& cbo;
  TextBox& txt;
  OptionButton& optUser;
  OptionButton& optSystem;
  CheckBox& chk;
};

TEST_F(ControlHelpers, ListViewShowsEveryRecordCheckedWhenSelected) {
  Drivers drivers;
  drivers.Add(Make<Driver>("SQL Server", true));
  drivers.Add(Make<Driver>("Oracle", false));
  lvw.ListItems().Add(0, "old", "old");
  api.AddDrvsDSNsToListView(drivers, lvw);
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"SQL Server+", "Oracle"}));
  EXPECT_EQ(lvw.ListItems().Item(1).Key(), "SQL Server");
}

// A window hears of a fill once, however many entries it brings; entries added one by one
// outside a fill are told one by one.
TEST_F(ControlHelpers, ObserversHearAFillOnce) {
  struct Counter : FormObserver {
    int lists = 0;
    void ItemsChanged(Control& control) override { lists += &control == list ? 1 : 0; }
    Control* list = nullptr;
  } counter;
  counter.list = &lvw;
  form.AddObserver(&counter);
  Drivers drivers;
  for (const char* name : {"a", "b", "a", "c"}) drivers.Add(Make<Driver>(name, true));
  lvw.ListItems().Add(0, "old", "old");
  EXPECT_EQ(counter.lists, 1);
  api.AddDrvsDSNsToListView(drivers, lvw);
  EXPECT_EQ(counter.lists, 2);
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"a+", "b+", "c+"}));
  lvw.ListItems().Item(1).SetChecked(false);
  EXPECT_EQ(counter.lists, 3);
  form.RemoveObserver(&counter);
}

TEST_F(ControlHelpers, EmptyCollectionLeavesTheListAsItIs) {
  lvw.ListItems().Add(0, "kept", "kept");
  api.AddDrvsDSNsToListView(DataSources(), lvw);
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"kept"}));
}

TEST_F(ControlHelpers, DuplicateKeyIsReportedAndTheRestStillListed) {
  Drivers a;
  a.Add(Make<Driver>("X", false));
  Drivers b;
  b.Add(Make<Driver>("Y", false));
  api.AddOneDrvDSNToListView(*a.Item(1), lvw);
  api.AddOneDrvDSNToListView(*a.Item(1), lvw);
  api.AddOneDrvDSNToListView(*b.Item(1), lvw);
  EXPECT_EQ(ListTexts(), (std::vector<std::string>{"X", "Y"}));
  ASSERT_EQ(host.reports().size(), 1u);
  EXPECT_EQ(host.reports()[0].number, 35602);
  EXPECT_EQ(host.reports()[0].procedure, "WizAPI:AddOneDrvDSNToListView");
}

TEST_F(ControlHelpers, CheckMarksBecomeSelectionsIgnoringCaseForEveryMatch) {
  DataSources sources;
  sources.Add(Make<DataSource>("ORDERS", false));
  sources.Add(Make<DataSource>("orders", false));
  sources.Add(Make<DataSource>("Unlisted", true));
  sources.Add(Make<DataSource>("Sales", true));
  lvw.ListItems().Add(0, "Orders", "Orders").SetChecked(true);
  lvw.ListItems().Add(0, "Sales", "Sales");
  api.SaveDrvsDSNsSelections(lvw, sources);
  EXPECT_TRUE(sources.Item(1)->Selected());
  EXPECT_TRUE(sources.Item(2)->Selected()) << "every matching record is set";
  EXPECT_TRUE(sources.Item(3)->Selected()) << "a record without an entry keeps its flag";
  EXPECT_FALSE(sources.Item(4)->Selected());
}

// Entries are matched to records by upper-cased name, through duplicates and case variants on
// both sides, records renamed after they were added and entries whose text changed: each record
// ends with the check mark of the last entry that matches it.
TEST_F(ControlHelpers, SelectionsFollowTheLastMatchingEntry) {
  struct Entry {
    const char* text;
    bool checked;
  };
  struct Case {
    std::vector<Entry> entries;
    std::vector<std::string> records;  // all start selected; "a>b" is added as a, renamed b
    std::vector<bool> expected;
  };
  const Case cases[] = {
      {{{"Orders", true}, {"ORDERS", false}}, {"orders"}, {false}},
      {{{"ORDERS", false}, {"Orders", true}}, {"orders"}, {true}},
      {{{"Sales", false}}, {"Orders>Sales", "sales", "Orders"}, {false, false, true}},
      {{{"Sales", true}, {"x", false}}, {"x>SALES", "Sales"}, {true, true}},
      {{{"ß", false}, {"é", false}}, {"SS", "É"}, {true, false}},
      {{}, {"Orders"}, {true}},
  };
  for (const Case& c : cases) {
    lvw.ListItems().Clear();
    for (size_t i = 0; i < c.entries.size(); ++i) {
      lvw.ListItems()
          .Add(0, "k" + std::to_string(i), c.entries[i].text)
          .SetChecked(c.entries[i].checked);
    }
    DataSources sources;
    for (const std::string& spec : c.records) {
      const size_t arrow = spec.find('>');
      auto record = Make<DataSource>(spec.substr(0, arrow), true);
      sources.Add(record);
      if (arrow != std::string::npos) record->SetName(spec.substr(arrow + 1));
    }
    api.SaveDrvsDSNsSelections(lvw, sources);
    for (size_t r = 0; r < c.expected.size(); ++r) {
      EXPECT_EQ(sources.Item(static_cast<int16_t>(r + 1))->Selected(), c.expected[r])
          << c.records[r];
    }
  }
}

TEST_F(ControlHelpers, AllUnselectedFollowsEveryTickUntickRemovalAndClear) {
  EXPECT_TRUE(api.AreAllDrvsUnselected(lvw));
  lvw.ListItems().Add(0, "a", "a");
  ListItem& b = lvw.ListItems().Add(0, "b", "b");
  b.SetChecked(true);
  EXPECT_FALSE(api.AreAllDrvsUnselected(lvw));
  EXPECT_FALSE(api.AreAllDSNsUnselected(lvw));
  b.SetChecked(false);
  EXPECT_TRUE(api.AreAllDrvsUnselected(lvw));
  lvw.ListItems().Item(1).SetChecked(true);
  lvw.ListItems().Remove(1);
  EXPECT_TRUE(api.AreAllDrvsUnselected(lvw)) << "the checked entry left";
  lvw.ListItems().Item(1).SetChecked(true);
  lvw.ListItems().Clear();
  EXPECT_TRUE(api.AreAllDSNsUnselected(lvw));
}

TEST_F(ControlHelpers, ComboListsSelectedRecordsAndShowsTheFirst) {
  DataSources sources;
  sources.Add(Make<DataSource>("Hidden", false, "DBQ=h"));
  auto system = Make<DataSource>("Orders", true, "DBQ=o");
  system->SetSystemDSN(true);
  system->SetUninstall(true);
  sources.Add(system);
  sources.Add(Make<DataSource>("Sales", true, "DBQ=s"));
  api.AddDrvsDSNsToCombo(sources, cbo, txt, optUser, optSystem, chk);
  EXPECT_EQ(cbo.Entries(), (std::vector<std::string>{"Orders", "Sales"}));
  EXPECT_EQ(cbo.ListIndex(), 0);
  EXPECT_EQ(txt.Text(), "DBQ=o");
  EXPECT_TRUE(optSystem.Value());
  EXPECT_FALSE(optUser.Value());
  EXPECT_EQ(chk.Value(), kChecked);

  cbo.SetListIndex(1);
  api.ShowDrvsDSNsAttribs(sources, cbo, txt, optUser, optSystem, chk);
  EXPECT_EQ(txt.Text(), "DBQ=s");
  EXPECT_TRUE(optUser.Value());
  EXPECT_EQ(chk.Value(), kUnchecked);
}

TEST_F(ControlHelpers, ComboWithNothingSelectedEndsEmptyAndLeavesTheOptions) {
  optSystem.SetValue(true);
  chk.SetValue(kChecked);
  cbo.AddItem("stale");
  txt.SetText("stale");
  DataSources sources;
  sources.Add(Make<DataSource>("Orders", false, "DBQ=o"));
  api.AddDrvsDSNsToCombo(sources, cbo, txt, optUser, optSystem, chk);
  EXPECT_EQ(cbo.ListCount(), 0);
  EXPECT_EQ(txt.Text(), "");
  EXPECT_TRUE(optSystem.Value());
  EXPECT_EQ(chk.Value(), kChecked);
}

TEST_F(ControlHelpers, DriversLeaveTheDataSourceControlsAlone) {
  optSystem.SetValue(true);
  Drivers drivers;
  drivers.Add(Make<Driver>("SQL Server", true, "Driver=x"));
  api.AddDrvsDSNsToCombo(drivers, cbo, txt, optUser, optSystem, chk);
  EXPECT_EQ(txt.Text(), "Driver=x");
  EXPECT_TRUE(optSystem.Value());
}

TEST_F(ControlHelpers, AddingANameTheComboHoldsSelectsTheFirstOfTheTwo) {
  cbo.AddItem("A");
  cbo.AddItem("B");
  Drivers drivers;
  drivers.Add(Make<Driver>("A", true, "Driver=a"));
  api.AddOneDrvDSNToCombo(*drivers.Item(1), cbo, txt, optUser, optSystem, chk);
  EXPECT_EQ(cbo.Entries(), (std::vector<std::string>{"A", "B", "A"}));
  EXPECT_EQ(cbo.ListIndex(), 0);
  EXPECT_EQ(txt.Text(), "Driver=a");
}

TEST_F(ControlHelpers, EditedTextGoesToTheFirstRecordOfTheChosenNameUnlessEmpty) {
  Drivers drivers;
  drivers.Add(Make<Driver>("A", true, "Driver=1"));
  auto twin = Make<Driver>("B", true, "Driver=2");
  drivers.Add(twin);
  twin->SetName("A");  // two records now share the name
  cbo.AddItem("A");
  cbo.SetListIndex(0);
  txt.SetText("Driver=new\r\n");
  api.UpdateAttribsString(drivers, cbo, txt);
  EXPECT_EQ(drivers.Item(1)->AttribsString(), "Driver=new\r\n");
  EXPECT_EQ(drivers.Item(2)->AttribsString(), "Driver=2");
  txt.SetText("");
  api.UpdateAttribsString(drivers, cbo, txt);
  EXPECT_EQ(drivers.Item(1)->AttribsString(), "Driver=new\r\n") << "an empty box changes nothing";
}

TEST_F(ControlHelpers, CombosMatchNamesExactly) {
  Drivers drivers;
  drivers.Add(Make<Driver>("sql server", true, "Driver=lower"));
  cbo.AddItem("SQL Server");
  cbo.SetListIndex(0);
  txt.SetText("unchanged");
  api.ShowDrvsDSNsAttribs(drivers, cbo, txt, optUser, optSystem, chk);
  api.UpdateAttribsString(drivers, cbo, txt);
  EXPECT_EQ(txt.Text(), "unchanged");
  EXPECT_EQ(drivers.Item(1)->AttribsString(), "Driver=lower");
}

}  // namespace
}  // namespace lumora
