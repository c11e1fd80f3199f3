// The Test button of the advanced data-source page: tries the data source shown in the combo
// with the lines now in the attribute box, unsaved edits included, in a child process that the
// person can cancel, and answers in a message box.
#include "contract/Trap.h"
#include "platform/forms/Application.h"
#include "platform/odbc/ConnectionTry.h"
#include "platform/odbc/MachineDrivers.h"
#include "ui/frmWizard.h"

namespace lumora {

void frmWizard::cmdDSNTest_Click() {
  Trap(reporter_, "frmWizard:cmdDSNTest_Click", [&] {
    if (cboDSNs.ListIndex() < 0) return;
    const std::string name = cboDSNs.Text();
    const std::string lines = txtDSNAttrib.Text();
    odbc::TryOutcome outcome;
    forms::App().GetPresenter().RunBusy(
        "Trying '" + name + "'...", [&](const std::atomic<bool>& cancel) {
          const odbc::TrySettings settings{odbc::TryProgramBesideThisLibrary(), 10, &cancel};
          outcome = odbc::TryDataSource(lines, odbc::LoadMachineDrivers(), settings);
        });
    if (outcome.result == odbc::TryResult::kCancelled) return;
    forms::MsgBox(odbc::DescribeOutcomeForPerson(outcome, name), forms::kVbOKOnly,
                  "Test Data Source");
  });
}

}  // namespace lumora
