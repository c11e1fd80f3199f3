// Build-time feature inclusion.
#include <memory>
#include <string_view>

#include "control/FeatureTable.h"
#include "control/LumoraCtl.h"
#include "services/WizAPI.h"

namespace lumora {

LumoraCtl::LumoraCtl() = default;
LumoraCtl::~LumoraCtl() = default;

bool LumoraCtl::ISetupDesignObjectBuild_IsIncluded(DesignObject* pObject,
                                                   const std::string& FeaturePath) {
  if (pObject == nullptr) return false;
  // A new service object for each answer. The one of the previous answer, held by nothing else,
  // is replaced where it lies rather than freed and allocated again.
  if (wizAPI_ != nullptr && wizAPI_.use_count() == 1) {
    std::destroy_at(wizAPI_.get());
    std::construct_at(wizAPI_.get());
  } else {
    wizAPI_ = std::make_shared<WizAPI>();
  }

  const std::string_view path = std::string_view(FeaturePath).substr(0, FeaturePath.find('\0'));
  if (path.empty()) return false;
  const FeatureRow* row = FindFeature(path);
  if (row == nullptr) return false;

  using Rule = FeatureRow::Rule;
  if (row->rule == Rule::Always) return true;
  static const std::string kAnyDriver, kDrivers = "Drivers", kSelections = "DriversSelections",
                                       kVersion = "DTDBVerNo";
  const std::string& driver = row->rule == Rule::AnyDriverVersion ? kAnyDriver : row->driver;
  const Value drivers = pObject->GetProperty(kDrivers);
  const Value selections = pObject->GetProperty(kSelections);
  const std::vector<FeatureRow>& table = FeatureTable();
  if (!drivers.SharesElementsWith(answers_.drivers) ||
      !selections.SharesElementsWith(answers_.selections)) {
    answers_ = {drivers, selections, std::vector<int8_t>(table.size(), -1)};
  }
  int8_t& known = answers_.byRow[static_cast<size_t>(row - table.data())];
  if (known < 0) known = wizAPI_->IsDriverSelected(drivers, selections, driver) ? 1 : 0;
  const bool selected = known == 1;
  if (row->rule == Rule::Driver) return selected;
  // Compared as a number: a stored 1.4 is neither version, and an unset one counts as 0.
  const bool versionMatches = pObject->GetProperty(kVersion).ToDouble() == row->version;
  return selected && versionMatches;
}

}  // namespace lumora
