// The list, combo and attribute-editor helpers: they move drivers and data sources between the
// collections and the wizard's controls. List views match records ignoring case; combo boxes
// match exactly. The loops visit every entry and every record (no early exits) where the
// wizard's behaviour depends on it: every matching record is updated.
#include <string>
#include <string_view>
#include <unordered_map>
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

// Every entry, in list order, sets the Selected of every record whose name equals its text
// ignoring case; a record matched by several entries ends with the last one's check mark. The
// records are chained by upper-cased name once, in collection order, so each entry finds its
// records directly.
template <class Collection>
void SaveSelections(ListView& lvw, Collection& collection) {
  Trap("WizAPI:SaveDrvsDSNsSelections", [&] {
    const int16_t entries = ToInt16(lvw.ListItems().Count());
    if (entries < 1) return;
    const size_t count = static_cast<size_t>(collection.Count());  // fails past 32767 members
    std::vector<std::string> upper;
    std::vector<decltype(collection.begin()->get())> records;
    upper.reserve(count);
    records.reserve(count);
    for (const auto& record : collection) {
      upper.push_back(UCase(record->Name()));
      records.push_back(record.get());
    }
    // First and last record of each name, and each record's next of the same name.
    std::unordered_map<std::string_view, std::pair<size_t, size_t>> chains;
    chains.reserve(count);
    std::vector<size_t> next(count, count);
    for (size_t r = 0; r < count; ++r) {
      auto [it, added] = chains.try_emplace(upper[r], r, r);
      if (!added) {
        next[it->second.second] = r;
        it->second.second = r;
      }
    }
    for (int16_t e = 1; e <= entries; ++e) {
      const forms::ListItem& item = lvw.ListItems().Item(e);
      auto it = chains.find(UCase(item.Text()));
      if (it != chains.end()) {
        for (size_t r = it->second.first; r < count; r = next[r]) {
          records[r]->SetSelected(item.Checked());
        }
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
