// The list, combo and attribute-editor helpers: they move drivers and data sources between the
// collections and the wizard's controls. List views match records ignoring case; combo boxes
// match exactly. The loops visit every entry and every record (no early exits) where the
// wizard's behaviour depends on it: every matching record is updated.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "contract/Int16.h"
#include "contract/Text.h"
#include "contract/Trap.h"
#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/TextBox.h"
#include "services/WizAPI.h"

namespace lumora {
namespace {

using forms::CheckBox;
using forms::ComboBox;
using forms::ListView;
using forms::OptionButton;
using forms::TextBox;

// What a data source adds to the editor; a driver has no type or uninstall flag to show.
void ShowTypeAndUninstall(const Driver&, OptionButton&, OptionButton&, CheckBox&) {}
void ShowTypeAndUninstall(const DataSource& source, OptionButton& optUser, OptionButton& optSystem,
                          CheckBox& chkUninst) {
  if (source.UserDSN()) {
    optUser.SetValue(true);
  } else {
    optSystem.SetValue(true);
  }
  chkUninst.SetValue(source.Uninstall() ? forms::kChecked : forms::kUnchecked);
}

template <class Record>
void AddOneToListView(const Record& record, ListView& lvw) {
  Trap("WizAPI:AddOneDrvDSNToListView", [&] {
    forms::ListItem& item = lvw.ListItems().Add(0, record.Name(), record.Name());
    if (record.Selected()) item.SetChecked(true);
  });
}

template <class Collection>
void AddAllToListView(WizAPI& api, const Collection& collection, ListView& lvw) {
  Trap("WizAPI:AddDrvsDSNsToListView", [&] {
    const int16_t count = collection.Count();
    if (count == 0) return;
    const ListView::HeldNotifications oncePerFill(lvw);
    lvw.ListItems().Clear();
    lvw.ListItems().Reserve(static_cast<size_t>(count));
    for (int16_t i = 1; i <= count; ++i) {
      api.AddOneDrvDSNToListView(*collection.Item(i), lvw);
      if (i == INT16_MAX) break;
    }
  });
}

// The records of a collection chained by upper-cased name: the names share one buffer, a table
// of chain heads (open addressing) finds a name, and each record knows the next of the same name
// in collection order. Made with no allocation per record.
template <class Record>
class UpperNameChains {
 public:
  static constexpr size_t kNone = SIZE_MAX;

  template <class Collection>
  explicit UpperNameChains(const Collection& collection, size_t count) {
    records_.reserve(count);
    spans_.reserve(count);
    next_.assign(count, kNone);
    size_t slots = 16;
    while (slots < 2 * count) slots *= 2;
    heads_.assign(slots, kNone);
    tails_.assign(slots, kNone);
    std::string upper;
    for (const auto& record : collection) {
      UCaseInto(record->Name(), upper);
      const size_t r = records_.size();
      spans_.emplace_back(names_.size(), upper.size());
      names_ += upper;
      records_.push_back(record.get());
      const size_t slot = SlotOf(upper);
      if (heads_[slot] == kNone) {
        heads_[slot] = r;
      } else {
        next_[tails_[slot]] = r;
      }
      tails_[slot] = r;
    }
  }

  // The first record named `upper` (upper-cased), or kNone; then Next until kNone.
  size_t First(std::string_view upper) const { return heads_[SlotOf(upper)]; }
  size_t Next(size_t r) const { return next_[r]; }
  Record& operator[](size_t r) const { return *records_[r]; }

 private:
  std::string_view NameOf(size_t r) const {
    return std::string_view(names_).substr(spans_[r].first, spans_[r].second);
  }
  // The slot of `upper`'s chain, or the empty slot where it would go.
  size_t SlotOf(std::string_view upper) const {
    const size_t mask = heads_.size() - 1;
    size_t slot = std::hash<std::string_view>{}(upper)&mask;
    while (heads_[slot] != kNone && NameOf(heads_[slot]) != upper) slot = (slot + 1) & mask;
    return slot;
  }

  std::string names_;
  std::vector<std::pair<size_t, size_t>> spans_;  // each record's name in names_
  std::vector<Record*> records_;
  std::vector<size_t> next_;
  std::vector<size_t> heads_, tails_;  // by slot: the first and last record of a name
};

// Every entry, in list order, sets the Selected of every record whose name equals its text
// ignoring case; a record matched by several entries ends with the last one's check mark.
template <class Collection>
void SaveSelections(ListView& lvw, Collection& collection) {
  Trap("WizAPI:SaveDrvsDSNsSelections", [&] {
    const int16_t entries = ToInt16(lvw.ListItems().Count());
    if (entries < 1) return;
    const size_t count = static_cast<size_t>(collection.Count());  // fails past 32767 members
    using Record = std::remove_reference_t<decltype(*collection.begin()->get())>;
    const UpperNameChains<Record> chains(collection, count);
    std::string upper;
    for (int16_t e = 1; e <= entries; ++e) {
      const forms::ListItem& item = lvw.ListItems().Item(e);
      UCaseInto(item.Text(), upper);
      for (size_t r = chains.First(upper); r != chains.kNone; r = chains.Next(r)) {
        chains[r].SetSelected(item.Checked());
      }
      if (e == INT16_MAX) break;
    }
  });
}

bool AllUnchecked(const char* procedure, ListView& lvw) {
  bool result = false;
  Trap(procedure, [&] { result = lvw.ListItems().CheckedCount() == 0; });
  return result;
}

template <class Record>
void ShowOne(const Record& record, TextBox& txtTxt, OptionButton& optUser, OptionButton& optSystem,
             CheckBox& chkUninst) {
  Trap("WizAPI:ShowOneDrvDSNAttribs", [&] {
    txtTxt.SetText("");
    txtTxt.SetText(record.AttribsString());
    ShowTypeAndUninstall(record, optUser, optSystem, chkUninst);
  });
}

template <class Record>
void AddOneToCombo(WizAPI& api, const Record& record, ComboBox& cboBox, TextBox& txtTxt,
                   OptionButton& optUser, OptionButton& optSystem, CheckBox& chkUninst) {
  Trap("WizAPI:AddOneDrvDSNToCombo", [&] {
    cboBox.AddItem(record.Name());
    const int16_t count = cboBox.ListCount();
    for (int16_t i = 0; i < count; ++i) {
      cboBox.SetListIndex(i);
      if (cboBox.Text() == record.Name()) {
        api.ShowOneDrvDSNAttribs(record, cboBox, txtTxt, optUser, optSystem, chkUninst);
        return;
      }
    }
  });
}

// Shows every record whose name is the combo's text exactly (all of them, in order).
template <class Collection>
void ShowMatching(WizAPI& api, const Collection& collection, ComboBox& cboBox, TextBox& txtTxt,
                  OptionButton& optUser, OptionButton& optSystem, CheckBox& chkUninst) {
  const int16_t count = collection.Count();
  for (int16_t i = 1; i <= count; ++i) {
    const auto& record = *collection.Item(i);
    if (record.Name() == cboBox.Text()) {
      api.ShowOneDrvDSNAttribs(record, cboBox, txtTxt, optUser, optSystem, chkUninst);
    }
    if (i == INT16_MAX) break;
  }
}

template <class Collection>
void AddAllToCombo(WizAPI& api, const Collection& collection, ComboBox& cboBox, TextBox& txtTxt,
                   OptionButton& optUser, OptionButton& optSystem, CheckBox& chkUninst) {
  Trap("WizAPI:AddDrvsDSNsToCombo", [&] {
    cboBox.Clear();
    txtTxt.SetText("");
    const int16_t count = collection.Count();
    if (count <= 0) return;
    int16_t added = 0;
    for (int16_t i = 1; i <= count; ++i) {
      const auto& record = *collection.Item(i);
      if (record.Selected()) {
        cboBox.AddItem(record.Name());
        added = ToInt16(added + 1);
      }
      if (i == INT16_MAX) break;
    }
    if (added == 0) return;
    if (cboBox.ListCount() >= 1) cboBox.SetListIndex(0);
    ShowMatching(api, collection, cboBox, txtTxt, optUser, optSystem, chkUninst);
  });
}

template <class Collection>
void ShowAll(WizAPI& api, const Collection& collection, ComboBox& cboBox, TextBox& txtTxt,
             OptionButton& optUser, OptionButton& optSystem, CheckBox& chkUninst) {
  Trap("WizAPI:ShowDrvsDSNsAttribs", [&] {
    if (collection.Count() > 0) {
      ShowMatching(api, collection, cboBox, txtTxt, optUser, optSystem, chkUninst);
    }
  });
}

template <class Collection>
void UpdateAttributes(Collection& collection, ComboBox& cboBox, TextBox& txtTxt) {
  Trap("WizAPI:UpdateAttribsString", [&] {
    const int16_t count = collection.Count();
    for (int16_t i = 1; i <= count; ++i) {
      auto record = collection.Item(i);
      if (record->Name() == cboBox.Text()) {
        const std::string text = txtTxt.Text();
        if (!text.empty()) record->SetAttribsString(text);
        return;
      }
      if (i == INT16_MAX) break;
    }
  });
}

}  // namespace

void WizAPI::AddOneDrvDSNToListView(const Driver& oDrvDSN, ListView& lvw) {
  AddOneToListView(oDrvDSN, lvw);
}
void WizAPI::AddOneDrvDSNToListView(const DataSource& oDrvDSN, ListView& lvw) {
  AddOneToListView(oDrvDSN, lvw);
}
void WizAPI::AddDrvsDSNsToListView(const Drivers& oDrvDSN, ListView& lvw) {
  AddAllToListView(*this, oDrvDSN, lvw);
}
void WizAPI::AddDrvsDSNsToListView(const DataSources& oDrvDSN, ListView& lvw) {
  AddAllToListView(*this, oDrvDSN, lvw);
}
void WizAPI::SaveDrvsDSNsSelections(ListView& lvw, Drivers& oDrvDSN) {
  SaveSelections(lvw, oDrvDSN);
}
void WizAPI::SaveDrvsDSNsSelections(ListView& lvw, DataSources& oDrvDSN) {
  SaveSelections(lvw, oDrvDSN);
}
bool WizAPI::AreAllDrvsUnselected(ListView& lvwDrivers) {
  return AllUnchecked("WizAPI:AreAllDrvsUnselected", lvwDrivers);
}
bool WizAPI::AreAllDSNsUnselected(ListView& lvwDSNs) {
  return AllUnchecked("WizAPI:AreAllDSNsUnselected", lvwDSNs);
}
void WizAPI::AddOneDrvDSNToCombo(const Driver& oDrvDSN, ComboBox& cboBox, TextBox& txtTxt,
                                 OptionButton& optUser, OptionButton& optSystem,
                                 CheckBox& chkUninst) {
  AddOneToCombo(*this, oDrvDSN, cboBox, txtTxt, optUser, optSystem, chkUninst);
}
void WizAPI::AddOneDrvDSNToCombo(const DataSource& oDrvDSN, ComboBox& cboBox, TextBox& txtTxt,
                                 OptionButton& optUser, OptionButton& optSystem,
                                 CheckBox& chkUninst) {
  AddOneToCombo(*this, oDrvDSN, cboBox, txtTxt, optUser, optSystem, chkUninst);
}
void WizAPI::AddDrvsDSNsToCombo(const Drivers& oDrvDSN, ComboBox& cboBox, TextBox& txtTxt,
                                OptionButton& optUser, OptionButton& optSystem,
                                CheckBox& chkUninst) {
  AddAllToCombo(*this, oDrvDSN, cboBox, txtTxt, optUser, optSystem, chkUninst);
}
void WizAPI::AddDrvsDSNsToCombo(const DataSources& oDrvDSN, ComboBox& cboBox, TextBox& txtTxt,
                                OptionButton& optUser, OptionButton& optSystem,
                                CheckBox& chkUninst) {
  AddAllToCombo(*this, oDrvDSN, cboBox, txtTxt, optUser, optSystem, chkUninst);
}
void WizAPI::ShowOneDrvDSNAttribs(const Driver& oDrvDSN, ComboBox&, TextBox& txtTxt,
                                  OptionButton& optUser, OptionButton& optSystem,
                                  CheckBox& chkUninst) {
  ShowOne(oDrvDSN, txtTxt, optUser, optSystem, chkUninst);
}
void WizAPI::ShowOneDrvDSNAttribs(const DataSource& oDrvDSN, ComboBox&, TextBox& txtTxt,
                                  OptionButton& optUser, OptionButton& optSystem,
                                  CheckBox& chkUninst) {
  ShowOne(oDrvDSN, txtTxt, optUser, optSystem, chkUninst);
}
void WizAPI::ShowDrvsDSNsAttribs(const Drivers& oDrvDSN, ComboBox& cboBox, TextBox& txtTxt,
                                 OptionButton& optUser, OptionButton& optSystem,
                                 CheckBox& chkUninst) {
  ShowAll(*this, oDrvDSN, cboBox, txtTxt, optUser, optSystem, chkUninst);
}
void WizAPI::ShowDrvsDSNsAttribs(const DataSources& oDrvDSN, ComboBox& cboBox, TextBox& txtTxt,
                                 OptionButton& optUser, OptionButton& optSystem,
                                 CheckBox& chkUninst) {
  ShowAll(*this, oDrvDSN, cboBox, txtTxt, optUser, optSystem, chkUninst);
}
void WizAPI::UpdateAttribsString(Drivers& oDrvDSN, ComboBox& cboBox, TextBox& txtTxt) {
  UpdateAttributes(oDrvDSN, cboBox, txtTxt);
}
void WizAPI::UpdateAttribsString(DataSources& oDrvDSN, ComboBox& cboBox, TextBox& txtTxt) {
  UpdateAttributes(oDrvDSN, cboBox, txtTxt);
}

}  // namespace lumora
