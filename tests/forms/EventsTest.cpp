// The classic event semantics the wizard's pages stand on.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "contract/Failure.h"
#include "platform/forms/Application.h"
#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Form.h"
#include "platform/forms/FormObserver.h"
#include "platform/forms/Frame.h"
#include "platform/forms/Label.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/TextBox.h"
#include "platform/forms/UserInput.h"
#include "support/TestHost.h"

namespace lumora::forms {
namespace {

template <class T>
T& Place(Form& form, const std::string& name, Control* container = nullptr,
         int16_t index = kNoIndex) {
  T& control = form.Add(std::make_unique<T>(name, index), container);
  control.SetWidth(600);
  control.SetHeight(300);
  return control;
}

class FormEvents : public ::testing::Test {
 protected:
  FormEvents() {
    form.SetWidth(7500);
    form.SetHeight(5400);
  }
  ~FormEvents() override { form.Unload(kAppWindows); }
  void ShowModeless() { form.Show(ShowMode::Modeless); }

  testing::TestHost host;
  Form form{"frmTest"};
  std::vector<std::string> log;
};

// ListIndex set in code clicks, but not for the same index; a person choosing the same entry
// still clicks.
TEST_F(FormEvents, ComboListIndexRaisesClickInCodeButNotForTheSameIndex) {
  auto& combo = Place<ComboBox>(form, "cboVersion");
  combo.OnClick = [&] { log.push_back("Click " + std::to_string(combo.ListIndex())); };
  for (const char* version : {"3.5", "4.0"}) combo.AddItem(version);
  for (const int16_t index : {1, 1, 0}) combo.SetListIndex(index);
  EXPECT_EQ(combo.Text(), "3.5");
  EXPECT_THROW(combo.SetListIndex(2), Failure);
  ShowModeless();
  ASSERT_TRUE(UserInput::Choose(combo, 0));
  EXPECT_FALSE(UserInput::Choose(combo, 2));
  combo.Clear();  // back to -1 without Click
  EXPECT_EQ(combo.ListIndex(), -1);
  EXPECT_EQ(log, (std::vector<std::string>{"Click 1", "Click 0", "Click 0"}));
}

TEST_F(FormEvents, OptionGroupClearsOthersOfItsContainerWithoutTheirClick) {
  auto& frame = Place<Frame>(form, "fraTypes");
  auto& user = Place<OptionButton>(form, "optUser", &frame);
  auto& system = Place<OptionButton>(form, "optSystem", &frame);
  auto& outside = Place<OptionButton>(form, "optOutside");
  for (auto* option : {&user, &system, &outside})
    option->OnClick = [this, option] { log.push_back(option->Name()); };
  user.SetValue(true);
  outside.SetValue(true);
  system.SetValue(true);
  system.SetValue(true);  // already chosen: nothing
  user.SetValue(false);   // false raises nothing
  EXPECT_EQ(log, (std::vector<std::string>{"optUser", "optOutside", "optSystem"}));
  EXPECT_FALSE(user.Value());
  EXPECT_TRUE(system.Value());
  EXPECT_TRUE(outside.Value());  // another container, another group
}

// A check box clicks and a text box changes only for a different value.
TEST_F(FormEvents, CheckBoxClicksAndTextBoxChangesOnlyWhenTheirValueChanges) {
  auto& check = Place<CheckBox>(form, "chkUninst");
  auto& box = Place<TextBox>(form, "txtName");
  check.OnClick = [&] { log.push_back(std::to_string(check.Value())); };
  box.OnChange = [&] { log.push_back("'" + box.Text() + "'"); };
  for (const CheckValue value : {kChecked, kChecked, kGrayed}) check.SetValue(value);
  EXPECT_THROW(check.SetValue(3), Failure);
  for (const char* text : {"a", "a", ""}) box.SetText(text);
  ShowModeless();
  ASSERT_TRUE(UserInput::Click(check));  // grayed -> checked on a person's click
  ASSERT_TRUE(UserInput::Click(check));  // checked -> unchecked
  EXPECT_EQ(log, (std::vector<std::string>{"1", "2", "'a'", "''", "1", "0"}));
}

TEST_F(FormEvents, TickingRaisesItemCheckWithTheNewStateThenClick) {
  auto& list = Place<ListView>(form, "lvwDrivers");
  list.SetCheckboxes(true);
  list.ListItems().Add(0, "a", "SQL Server");
  list.OnItemCheck = [&](ListItem& item) {
    log.push_back("ItemCheck " + item.Text() + (item.Checked() ? " on" : " off"));
  };
  list.OnClick = [&] { log.push_back("Click"); };
  for (const bool on : {true, false}) list.ListItems().Item(1).SetChecked(on);  // in code: no event
  EXPECT_TRUE(log.empty());
  ShowModeless();
  ASSERT_TRUE(UserInput::Tick(list, 1, true));
  ASSERT_TRUE(UserInput::Tick(list, 1, true));  // already ticked: a person does nothing
  EXPECT_EQ(log, (std::vector<std::string>{"ItemCheck SQL Server on", "Click"}));
  EXPECT_FALSE(UserInput::Tick(list, 2, true));
}

// With KeyPreview the form sees a key before the control with the focus and may swallow it;
// Escape clicks the Cancel button unless the form handled it; SendKeys in a click handler is
// delivered after the handler returns.
TEST_F(FormEvents, KeysReachTheFormFirstWithKeyPreviewAndEscapeClicksCancel) {
  auto& box = Place<TextBox>(form, "txtName");
  auto& cancel = Place<CommandButton>(form, "cmdCancel");
  auto& help = Place<CommandButton>(form, "cmdHelp");
  cancel.SetCancel(true);
  cancel.OnClick = [&] { log.push_back("cancel"); };
  help.OnClick = [&] {
    form.SendKeys(kKeyF1);
    log.push_back("click done");
  };
  box.OnKeyDown = [&](int16_t& key, int16_t) { log.push_back("txt " + std::to_string(key)); };
  form.OnKeyDown = [&](int16_t& key, int16_t) {
    log.push_back("form " + std::to_string(key));
    if (key == 65) key = 0;  // the form eats 'A'
    if (key == kKeyEscape) form.Unload();
  };
  ShowModeless();
  UserInput::Focus(box);
  for (const int16_t key : {66, 27}) UserInput::Key(form, key);  // B, Escape
  form.SetKeyPreview(true);
  UserInput::Focus(box);
  for (const int16_t key : {66, 65}) UserInput::Key(form, key);  // B, A
  UserInput::Click(help);
  UserInput::Key(form, kKeyEscape);
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(log, (std::vector<std::string>{"txt 66", "txt 27", "cancel", "form 66", "txt 66",
                                           "form 65", "click done", "form 112", "form 27"}));
}

// Enter clicks the command button that has the focus, default or not; from any other control
// it clicks the Default button; a multi-line text box is no exception here (the window keeps
// Enter for its new line and never sends it).
TEST_F(FormEvents, EnterClicksTheFocusedButtonElseTheDefaultOne) {
  auto& box = Place<TextBox>(form, "txtName");
  auto& ok = Place<CommandButton>(form, "cmdOk");
  auto& other = Place<CommandButton>(form, "cmdOther");
  auto& cancel = Place<CommandButton>(form, "cmdCancel");
  auto& check = Place<CheckBox>(form, "chkOn");
  ok.SetDefault(true);
  cancel.SetCancel(true);
  for (auto* button : {&ok, &other, &cancel})
    button->OnClick = [this, button] { log.push_back(button->Name()); };
  ShowModeless();
  const std::pair<Control*, std::vector<std::string>> cases[] = {
      {&box, {"cmdOk"}}, {&other, {"cmdOther"}}, {&cancel, {"cmdCancel"}},
      {&ok, {"cmdOk"}},  {&check, {"cmdOk"}},
  };
  for (const auto& [focus, clicked] : cases) {
    log.clear();
    ASSERT_TRUE(UserInput::Focus(*focus));
    ASSERT_TRUE(UserInput::Key(form, kKeyReturn));
    EXPECT_EQ(log, clicked) << focus->Name();
  }
  EXPECT_EQ(check.Value(), kUnchecked) << "Enter does not tick a check box";
}

TEST_F(FormEvents, QueryUnloadSeesTheModeAndMayCancel) {
  form.OnQueryUnload = [&](int16_t& cancel, int16_t mode) {
    log.push_back("QueryUnload " + std::to_string(mode));
    if (mode == kFormControlMenu && log.size() == 1) cancel = 1;
  };
  form.OnUnload = [&](int16_t&) { log.push_back("Unload"); };
  ShowModeless();
  UserInput::CloseBox(form);
  EXPECT_TRUE(form.IsLoaded());
  UserInput::CloseBox(form);
  EXPECT_FALSE(form.IsLoaded());
  form.Load();
  EXPECT_TRUE(form.Unload());
  EXPECT_EQ(log, (std::vector<std::string>{"QueryUnload 0", "QueryUnload 0", "Unload",
                                           "QueryUnload 1", "Unload"}));
  EXPECT_FALSE(UserInput::CloseBox(form));
}

// (Inside a disabled page: the script case hidden-page-type.)
TEST_F(FormEvents, ControlsInsideAHiddenPageCannotBeReached) {
  auto& page = Place<Frame>(form, "fraStep", nullptr, 1);
  page.SetWidth(5000);
  auto& add = Place<CommandButton>(form, "cmdAdd", &page);
  add.OnClick = [&] { log.push_back("click"); };
  ShowModeless();
  page.SetLeft(-10000);
  InputOutcome outcome = UserInput::Click(add);
  EXPECT_FALSE(outcome);
  EXPECT_NE(outcome.reason.find("fraStep(1)"), std::string::npos) << outcome.reason;
  page.SetLeft(0);
  add.SetVisible(false);
  EXPECT_FALSE(UserInput::Click(add));
  add.SetVisible(true);
  EXPECT_TRUE(UserInput::Click(add));
  EXPECT_EQ(log, std::vector<std::string>{"click"});
  EXPECT_THROW(Place<Label>(form, "cmdAdd"), Failure);  // duplicate name
}

TEST_F(FormEvents, FailureEscapingAHandlerIsReportedUnderTheEventsName) {
  auto& button = Place<CommandButton>(form, "cmdNav", nullptr, 3);
  button.OnClick = [] { Raise(kSubscriptOutOfRange); };
  ShowModeless();
  EXPECT_TRUE(UserInput::Click(button));
  EXPECT_EQ(host.procedures(), std::vector<std::string>{"frmTest:cmdNav_Click"});
}

// Observers hear property changes, entry changes and focus moves.
class Recorder : public FormObserver {
 public:
  std::vector<std::string> seen;
  void PropertyChanged(Control& c, Property p) override {
    seen.push_back(c.DisplayName() + "." + PropertyName(p));
  }
  void ItemsChanged(Control& c) override { seen.push_back(c.DisplayName() + " items"); }
  void FocusChanged(Form&, Control*, Control* now) override {
    seen.push_back("focus " + (now ? now->DisplayName() : std::string("none")));
  }
};

TEST_F(FormEvents, ObserversHearEveryChangeOnce) {
  Recorder recorder;
  form.AddObserver(&recorder);
  auto& list = Place<ListView>(form, "lvw");
  list.ListItems().Add(0, "", "x");
  list.ListItems().Item(1).SetChecked(true);
  list.SetEnabled(false);
  list.SetEnabled(false);
  form.SetCaption("T");
  form.RemoveObserver(&recorder);
  form.SetCaption("U");
  EXPECT_EQ(recorder.seen,
            (std::vector<std::string>{"lvw.Width", "lvw.Height", "lvw items", "lvw items",
                                      "lvw.Enabled", "frmTest.Caption"}));
}

}  // namespace
}  // namespace lumora::forms
