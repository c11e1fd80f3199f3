// Which handler answers which event of frmWizard.
#include "ui/frmWizard.h"

namespace lumora {

void frmWizard::ConnectEvents() {
  OnLoad = [this] { Form_Load(); };
  OnQueryUnload = [this](int16_t& cancel, int16_t mode) { Form_QueryUnload(cancel, mode); };
  OnUnload = [this](int16_t& cancel) { Form_Unload(cancel); };
  OnActivate = [this] { Form_Activate(); };
  OnKeyDown = [this](int16_t& keyCode, int16_t shift) { Form_KeyDown(keyCode, shift); };
  for (int16_t index : cmdNav.Indexes()) {
    cmdNav(index).OnClick = [this, index] { cmdNav_Click(index); };
  }

  lvwDrivers.OnClick = [this] { lvwDrivers_Click(); };
  cboProvidedDrivers.OnClick = [this] { cboProvidedDrivers_Click(); };
  cmdDrvAdv.OnClick = [this] { cmdDrvAdv_Click(); };
  cboDrivers.OnClick = [this] { cboDrivers_Click(); };
  txtDrvAttrib.OnLostFocus = [this] { txtDrvAttrib_LostFocus(); };
  txtNewDriver.OnChange = [this] { txtNewDriver_Change(); };
  cmdAddDrv.OnClick = [this] { cmdAddDrv_Click(); };

  lvwDSNs.OnClick = [this] { lvwDSNs_Click(); };
  cmdDSNAdv.OnClick = [this] { cmdDSNAdv_Click(); };
  cboDSNs.OnClick = [this] { cboDSNs_Click(); };
  txtDSNAttrib.OnLostFocus = [this] { txtDSNAttrib_LostFocus(); };
  txtNewDSN.OnChange = [this] { txtNewDSN_Change(); };
  cmdAddDSN.OnClick = [this] { cmdAddDSN_Click(); };
  optUserDSN.OnClick = [this] { optUserDSN_Click(); };
  optSystemDSN.OnClick = [this] { optSystemDSN_Click(); };
  chkUninstDSN.OnClick = [this] { chkUninstDSN_Click(); };
  cmdDSNTest.OnClick = [this] { cmdDSNTest_Click(); };
}

}  // namespace lumora
