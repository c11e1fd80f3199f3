// The data of one wizard session that the services read and write: the session's collections,
// the desktop-database driver version and the return code. The session class of the user
// interface (Wizard) is this data plus the form it shows.
#pragma once

#include <cstdint>
#include <memory>

#include "model/Collections.h"

namespace lumora {

class WizardData {
 public:
  virtual ~WizardData() = default;

  DriversPtr Drivers = std::make_shared<lumora::Drivers>();
  DataSourcesPtr DataSources = std::make_shared<lumora::DataSources>();
  TranslatorsPtr Translators = std::make_shared<lumora::Translators>();
  // 0: Desktop Database Drivers 3.5, 1: 4.0; negative: not chosen yet.
  int32_t DTDBVerNo = 0;
  // True until Cancel, Escape or the close box end the wizard.
  bool ReturnCode = true;
};

}  // namespace lumora
