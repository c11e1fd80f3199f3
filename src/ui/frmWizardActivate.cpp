// The first showing of the wizard: both step lists prepared, the catalogue's translators, the
// desktop-database version settled (detected from the installed driver library when none was
// chosen) and selected, which loads that version's drivers, the registered data sources of the
// user and then of the machine, both lists filled, and the form moved into view.
#include "contract/HostLibrary.h"
#include "contract/ProcessState.h"
#include "contract/Text.h"
#include "contract/Trap.h"
#include "ui/StringTable.h"
#include "ui/Wizard.h"
#include "ui/frmWizard.h"

namespace lumora {
namespace {

constexpr const char* kDataSourceKey = "SOFTWARE\\ODBC\\ODBC.INI\\";
constexpr const char* kDataSourceList = "ODBC Data Sources";
constexpr const char* kDesktopDriverLibrary = "odbcjt32.dll";

// Empties a step list and shows it as one headerless report column as wide as 256 spaces.
void PrepareStepList(forms::ListView& list, int32_t columnWidth) {
  list.ListItems().Clear();
  list.SetView(forms::kReport);
  list.SetHideColumnHeaders(true);
  list.ColumnHeaders().Add(0, "main", "main", columnWidth);
}

}  // namespace

void frmWizard::Form_Activate() {
  Trap(reporter_, "frmWizard:Form_Activate", [&] {
    HostLibrary& host = component::Host();
    std::unique_ptr<SystemFolders> folders = host.NewSystemFolders();
    std::unique_ptr<FileVersionInfo> versionInfo = host.NewFileVersionInfo();
    std::unique_ptr<PathHelper> paths = host.NewPathHelper();

    const int32_t columnWidth = TextWidth(std::string(256, ' '));
    PrepareStepList(lvwDrivers, columnWidth);
    PrepareStepList(lvwDSNs, columnWidth);

    std::unique_ptr<RegistryConstants> constants = host.NewRegistryConstants();
    Wizard& owner = Owner();
    oWizAPI->ReadTransBVProvided(*owner.Translators);

    cboProvidedDrivers.AddItem(LoadResString(1006), 0);
    cboProvidedDrivers.AddItem(LoadResString(1007), 1);

    if (owner.DTDBVerNo < 0) {
      const std::string library =
          paths->AddBackslash(folders->SystemFolder()) + kDesktopDriverLibrary;
      versionInfo->Load(library);
      const std::string version = versionInfo->GetVersion().text;
      owner.DTDBVerNo = 0;
      if (UCase(version).rfind("4.0", 0) == 0) owner.DTDBVerNo = 1;
    }

    ChangingDTDBVer = false;
    if (cboProvidedDrivers.ListCount() >= 1) {
      cboProvidedDrivers.SetListIndex(ToInt16(owner.DTDBVerNo));
    }

    oWizAPI->ReadDrvDSNFromReg(constants->CurrentUserRoot(), kDataSourceKey, kDataSourceList,
                               *owner.DataSources);
    oWizAPI->ReadDrvDSNFromReg(constants->LocalMachineRoot(), kDataSourceKey, kDataSourceList,
                               *owner.DataSources);

    oWizAPI->AddDrvsDSNsToListView(*owner.Drivers, lvwDrivers);
    oWizAPI->AddDrvsDSNsToListView(*owner.DataSources, lvwDSNs);

    cmdDrvAdv.SetEnabled(!oWizAPI->AreAllDrvsUnselected(lvwDrivers));

    SetLeft(SavedLeft);
    SetTop(SavedTop);
  });
}

}  // namespace lumora
