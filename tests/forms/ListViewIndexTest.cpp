// The list view's keyed and first-text look-ups go through indexes; after every step of a run of
// inserts (at the end and in the middle), removals, text changes, check marks and clearing, they
// must answer what a walk over the entries answers.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "contract/Failure.h"
#include "platform/forms/ListView.h"
#include "support/Outcome.h"

namespace lumora::forms {
namespace {

void ExpectIndexesAgreeWithAWalk(const ListView& list, const std::string& step) {
  const ListItemCollection& items = list.ListItems();
  int32_t checked = 0;
  int32_t position = 0;
  std::map<std::string, int32_t> first;  // the position of each text's first entry
  for (const auto& item : items) {
    EXPECT_EQ(item->Index(), ++position) << step;
    if (!item->Key().empty()) {
      EXPECT_EQ(&items.Item(item->Key()), item.get()) << step;
    }
    checked += item->Checked() ? 1 : 0;
    first.emplace(item->Text(), position);
  }
  EXPECT_EQ(items.CheckedCount(), checked) << step;
  for (const char* text : {"a", "A", "b", "c", "d", ""}) {
    EXPECT_EQ(items.FirstIndexOfText(text), first.contains(text) ? first.at(text) : 0)
        << step << " " << text;
  }
}

TEST(ListViewIndex, AnswersAsAWalkThroughEveryChange) {
  ListView list("lvw", kNoIndex);
  ListItemCollection& items = list.ListItems();
  const std::pair<const char*, void (*)(ListItemCollection&)> steps[] = {
      {"add a, A, b",
       [](ListItemCollection& i) {
         i.Add(0, "k1", "a");
         i.Add(0, "k2", "A");
         i.Add(0, "k3", "b");
       }},
      {"look up, then add a second a",
       [](ListItemCollection& i) {
         i.FirstIndexOfText("a");
         i.Add(0, "k4", "a").SetChecked(true);
       }},
      {"insert a third a at the front", [](ListItemCollection& i) { i.Add(1, "k5", "a"); }},
      {"insert without a key in the middle", [](ListItemCollection& i) { i.Add(3, "", "c"); }},
      {"rename the first a to d", [](ListItemCollection& i) { i.Item(1).SetText("d"); }},
      {"remove the second entry", [](ListItemCollection& i) { i.Remove(2); }},
      {"check and uncheck",
       [](ListItemCollection& i) {
         i.Item(1).SetChecked(true);
         i.Item(2).SetChecked(true);
         i.Item(2).SetChecked(false);
       }},
      {"remove a checked entry", [](ListItemCollection& i) { i.Remove(1); }},
      {"clear and add again",
       [](ListItemCollection& i) {
         i.Clear();
         i.Add(0, "k1", "b").SetChecked(true);
       }},
  };
  for (const auto& [what, run] : steps) {
    run(items);
    ExpectIndexesAgreeWithAWalk(list, what);
  }
}

TEST(ListViewIndex, KeysStayUniqueAndFreeOnceTheirEntryLeaves) {
  ListView list("lvw", kNoIndex);
  ListItemCollection& items = list.ListItems();
  items.Add(0, "k", "one");
  items.Add(0, "", "no key");
  items.Add(0, "", "no key either");  // entries without a key never clash
  const auto failure = [](auto call) { return testing::FailureNumberOf(call); };
  EXPECT_EQ(failure([&] { items.Add(0, "k", "two"); }), kKeyNotUnique);
  EXPECT_EQ(failure([&] { items.Add(0, "K", "two"); }), 0) << "keys keep their letter case";
  EXPECT_NE(failure([&] { items.Item(std::string()); }), 0) << "no entry has an empty key";
  EXPECT_EQ(failure([&] { items.Item(9); }), 35600);
  items.Remove(1);
  EXPECT_THROW(items.Item("k"), Failure);
  EXPECT_NO_THROW(items.Add(0, "k", "back"));
  EXPECT_EQ(items.Item("k").Text(), "back");
}

}  // namespace
}  // namespace lumora::forms
