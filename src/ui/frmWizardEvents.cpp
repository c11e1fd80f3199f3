// Which handler answers which event of frmWizard. The page handlers' files add their lines here.
#include "ui/frmWizard.h"

namespace lumora {

void frmWizard::ConnectEvents() {
  OnLoad = [this] { Form_Load(); };
  OnQueryUnload = [this](int16_t& cancel, int16_t mode) { Form_QueryUnload(cancel, mode); };
  OnUnload = [this](int16_t& cancel) { Form_Unload(cancel); };
}

}  // namespace lumora
