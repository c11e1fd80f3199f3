// The driver pages (step 1 and the advanced driver page) and their data-source twins (step 2
// and the advanced data-source page). The twins do the same with other controls, collections
// and texts; each pair shares one implementation below, given the page's controls.
#include "contract/Trap.h"
#include "platform/forms/Application.h"
#include "ui/StringTable.h"
#include "ui/Wizard.h"
#include "ui/frmWizard.h"
#include "ui/modWizard.h"

namespace lumora {
namespace {

// The default attribute text of a driver added by name.
constexpr const char* kNewDriverAttributes =
    "Driver=<WINSYSDIR>\\\r\nSetup=<WINSYSDIR>\\\r\nSQLLevel=\r\nFileExtns=\r\nFileUsage=\r\n"
    "DriverODBCVer=\r\nConnectFunctions=\r\nAPILevel=";
// The default attribute text of a data source added by name.
constexpr const char* kNewDataSourceAttributes = "Driver=";

// The controls and texts of one advanced page and the step page it opens from.
template <class Collection>
struct AdvancedPage {
  forms::ListView& stepList;
  forms::CommandButton& advancedButton;
  forms::ComboBox& combo;
  forms::TextBox& attributes;
  forms::TextBox& newName;
  forms::CommandButton& addButton;
  std::shared_ptr<Collection>& work;       // the form's working copy
  std::shared_ptr<Collection>& committed;  // the session's collection
  int32_t duplicateMessage;                // string-table ids of the duplicate-name message
  int32_t duplicateTitle;
  const char* defaultAttributes;
};

template <class Collection>
void EnableAdvanced(WizAPI& api, const AdvancedPage<Collection>& page);

template <>
void EnableAdvanced(WizAPI& api, const AdvancedPage<Drivers>& page) {
  page.advancedButton.SetEnabled(!api.AreAllDrvsUnselected(page.stepList));
}

template <>
void EnableAdvanced(WizAPI& api, const AdvancedPage<DataSources>& page) {
  page.advancedButton.SetEnabled(!api.AreAllDSNsUnselected(page.stepList));
}

void CopyInto(WizAPI& api, Drivers& target, const Drivers& source) {
  api.CopyDrivers(target, source);
}
void CopyInto(WizAPI& api, DataSources& target, const DataSources& source) {
  api.CopyDataSources(target, source);
}

// "Advanced...": fresh working copy of the session's collection, editor filled, next page.
template <class Collection>
void OpenAdvanced(frmWizard& form, WizAPI& api, const AdvancedPage<Collection>& page) {
  page.newName.SetText("");
  api.SaveDrvsDSNsSelections(page.stepList, *page.committed);
  api.AddDrvsDSNsToCombo(*page.committed, page.combo, page.attributes, form.optUserDSN,
                         form.optSystemDSN, form.chkUninstDSN);
  page.work = std::make_shared<Collection>();
  CopyInto(api, *page.work, *page.committed);
  form.SetStep(static_cast<int16_t>(form.CurrentStep + 1));
}

// "Add": a new, selected record of the typed name, unless the working copy holds that name.
template <class Collection>
void AddByName(frmWizard& form, WizAPI& api, const AdvancedPage<Collection>& page) {
  const std::string name = page.newName.Text();
  for (const auto& record : *page.work) {
    if (record->Name() == name) {
      forms::MsgBox(ReplaceTopicText(LoadResString(page.duplicateMessage), name, ""),
                    forms::kVbOKOnly, LoadResString(page.duplicateTitle));
      return;
    }
  }
  using Record = typename Collection::Ptr::element_type;
  auto record = std::make_shared<Record>();
  record->SetName(name);
  record->SetSelected(true);
  record->SetAttribsString(page.defaultAttributes);
  page.work->Add(record);
  api.AddOneDrvDSNToCombo(*record, page.combo, page.attributes, form.optUserDSN, form.optSystemDSN,
                          form.chkUninstDSN);
  page.newName.SetText("");
  page.attributes.SetFocus();
}

}  // namespace

// --- Pages 0 and 1: drivers --------------------------------------------------------------------

namespace {
AdvancedPage<Drivers> DriverPage(frmWizard& f) {
  return {f.lvwDrivers,   f.cmdDrvAdv, f.cboDrivers,        f.txtDrvAttrib,
          f.txtNewDriver, f.cmdAddDrv, f.WorkDrivers,       f.Owner().Drivers,
          2006,           2005,        kNewDriverAttributes};
}
AdvancedPage<DataSources> DataSourcePage(frmWizard& f) {
  return {f.lvwDSNs,
          f.cmdDSNAdv,
          f.cboDSNs,
          f.txtDSNAttrib,
          f.txtNewDSN,
          f.cmdAddDSN,
          f.WorkDataSources,
          f.Owner().DataSources,
          5009,
          5008,
          kNewDataSourceAttributes};
}
}  // namespace

void frmWizard::lvwDrivers_Click() {
  Trap(reporter_, "frmWizard:lvwDrivers_Click",
       [&] { EnableAdvanced(*oWizAPI, DriverPage(*this)); });
}

void frmWizard::cboProvidedDrivers_Click() {
  // No trap of its own: a failure goes to whoever chose the entry (the first showing's trap
  // when it selects the stored version, the input's report when a person chose).
  Wizard& owner = Owner();
  const int16_t version = cboProvidedDrivers.ListIndex();
  oWizAPI->ReadDrvsBVProvided(*owner.Drivers, version, ChangingDTDBVer);
  oWizAPI->AddDrvsDSNsToListView(*owner.Drivers, lvwDrivers);
  owner.DTDBVerNo = version;
  ChangingDTDBVer = true;
}

void frmWizard::cmdDrvAdv_Click() {
  Trap(reporter_, "frmWizard:cmdDrvAdv_Click",
       [&] { OpenAdvanced(*this, *oWizAPI, DriverPage(*this)); });
}

void frmWizard::cboDrivers_Click() {
  Trap(reporter_, "frmWizard:cboDrivers_Click", [&] {
    oWizAPI->ShowDrvsDSNsAttribs(*WorkDrivers, cboDrivers, txtDrvAttrib, optUserDSN, optSystemDSN,
                                 chkUninstDSN);
  });
}

void frmWizard::txtDrvAttrib_LostFocus() {
  Trap(reporter_, "frmWizard:txtDrvAttrib_LostFocus",
       [&] { oWizAPI->UpdateAttribsString(*WorkDrivers, cboDrivers, txtDrvAttrib); });
}

void frmWizard::txtNewDriver_Change() {
  Trap(reporter_, "frmWizard:txtNewDriver_Change",
       [&] { cmdAddDrv.SetEnabled(!txtNewDriver.Text().empty()); });
}

void frmWizard::cmdAddDrv_Click() {
  Trap(reporter_, "frmWizard:cmdAddDrv_Click",
       [&] { AddByName(*this, *oWizAPI, DriverPage(*this)); });
}

// --- Pages 3 and 4: data sources ---------------------------------------------------------------

void frmWizard::lvwDSNs_Click() {
  Trap(reporter_, "frmWizard:lvwDSNs_Click",
       [&] { EnableAdvanced(*oWizAPI, DataSourcePage(*this)); });
}

void frmWizard::cmdDSNAdv_Click() {
  Trap(reporter_, "frmWizard:cmdDSNAdv_Click",
       [&] { OpenAdvanced(*this, *oWizAPI, DataSourcePage(*this)); });
}

void frmWizard::cboDSNs_Click() {
  Trap(reporter_, "frmWizard:cboDSNs_Click", [&] {
    oWizAPI->ShowDrvsDSNsAttribs(*WorkDataSources, cboDSNs, txtDSNAttrib, optUserDSN, optSystemDSN,
                                 chkUninstDSN);
  });
}

void frmWizard::txtDSNAttrib_LostFocus() {
  Trap(reporter_, "frmWizard:txtDSNAttrib_LostFocus",
       [&] { oWizAPI->UpdateAttribsString(*WorkDataSources, cboDSNs, txtDSNAttrib); });
}

void frmWizard::txtNewDSN_Change() {
  Trap(reporter_, "frmWizard:txtNewDSN_Change",
       [&] { cmdAddDSN.SetEnabled(!txtNewDSN.Text().empty()); });
}

void frmWizard::cmdAddDSN_Click() {
  Trap(reporter_, "frmWizard:cmdAddDSN_Click",
       [&] { AddByName(*this, *oWizAPI, DataSourcePage(*this)); });
}

// The type and uninstall controls change every data source of the working copy whose name is
// the combo's text; with no entry chosen none matches.
namespace {
template <class Change>
void ChangeChosenDataSources(const DataSources& work, const forms::ComboBox& combo, Change change) {
  for (const DataSourcePtr& source : work) {
    if (source->Name() == combo.Text()) change(*source);
  }
}
}  // namespace

void frmWizard::optUserDSN_Click() {
  Trap(reporter_, "frmWizard:optUserDSN_Click", [&] {
    ChangeChosenDataSources(*WorkDataSources, cboDSNs,
                            [&](DataSource& s) { s.SetUserDSN(optUserDSN.Value()); });
  });
}

void frmWizard::optSystemDSN_Click() {
  Trap(reporter_, "frmWizard:optSystemDSN_Click", [&] {
    ChangeChosenDataSources(*WorkDataSources, cboDSNs,
                            [&](DataSource& s) { s.SetSystemDSN(optSystemDSN.Value()); });
  });
}

void frmWizard::chkUninstDSN_Click() {
  Trap(reporter_, "frmWizard:chkUninstDSN_Click", [&] {
    ChangeChosenDataSources(*WorkDataSources, cboDSNs, [&](DataSource& s) {
      s.SetUninstall(chkUninstDSN.Value() == forms::kChecked);
    });
  });
}

}  // namespace lumora
