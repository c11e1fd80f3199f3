// Build-time feature inclusion.
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
  wizAPI_ = std::make_shared<WizAPI>();

  const std::string_view path = std::string_view(FeaturePath).substr(0, FeaturePath.find('\0'));
  if (path.empty()) return false;
  const FeatureRow* row = FindFeature(path);
  if (row == nullptr) return false;

  using Rule = FeatureRow::Rule;
  if (row->rule == Rule::Always) return true;
  const std::string driver = row->rule == Rule::AnyDriverVersion ? "" : row->driver;
  const Value drivers = pObject->GetProperty("Drivers");
  const Value selections = pObject->GetProperty("DriversSelections");
  const bool selected = wizAPI_->IsDriverSelected(drivers, selections, driver);
  if (row->rule == Rule::Driver) return selected;
  // Compared as a number: a stored 1.4 is neither version, and an unset one counts as 0.
  const bool versionMatches = pObject->GetProperty("DTDBVerNo").ToDouble() == row->version;
  return selected && versionMatches;
}

}  // namespace lumora
