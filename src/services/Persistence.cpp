// Design-object persistence: the stored drivers and data sources are parallel arrays (lower
// bound 0) of names, attribute texts, types and flags. Only selected items are written; with
// none selected every array of the group holds one placeholder element ("" or false), and
// readers skip every element whose name is empty. Loading the drivers also merges in the
// catalogue's drivers; copying makes fresh records for the advanced pages' working copies.
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "contract/Int16.h"
#include "contract/Text.h"
#include "contract/Trap.h"
#include "services/WizAPI.h"

namespace lumora {
namespace {

template <class Record>
std::shared_ptr<Record> Require(std::shared_ptr<Record> record) {
  if (!record) Raise(kObjectNotSet);
  return record;
}

// The upper bound of a stored array as a 16-bit loop limit (error 6 beyond 32767).
int16_t UpperBound16(const Value& array) {
  return ToInt16(array.UpperBound());
}

// The next value of a 16-bit loop counter; passing 32767 fails with error 6, as the classic
// For loop does.
int16_t Next(int16_t i) {
  return ToInt16(int32_t{i} + 1);
}

}  // namespace

void WizAPI::GetDriversFromObject(DesignObject& oObject, WizardData& oWizard, const Value& vDrvs,
                                  const Value& vDrvsInfo, const Value& vDrvsSels) {
  Trap("WizAPI:GetDriversFromObject", [&] {
    if (vDrvs.IsEmpty()) return;  // a new object: not even the catalogue is brought in here
    Drivers& session = *Require(oWizard.Drivers);

    const int32_t version = oObject.GetProperty("DTDBVerNo").ToLong();
    Drivers catalogue;
    ReadDrvsBVProvided(catalogue, version, false);

    // A stored driver that the catalogue lists as a desktop-database driver (in any letter
    // case) is one too. It is not marked provided here.
    std::unordered_set<std::string> desktop;
    for (const DriverPtr& listed : catalogue) {
      if (listed->DTDBDriver()) desktop.insert(UCase(listed->Name()));
    }

    const int16_t upper = UpperBound16(vDrvs);
    std::string upperName;
    for (int16_t i = 0; i <= upper; i = Next(i)) {
      std::string name = vDrvs.StringAt(i);
      if (name.empty()) continue;  // a placeholder
      auto driver = std::make_shared<Driver>();
      if (!desktop.empty()) UCaseInto(name, upperName);
      const bool desktopDriver = !desktop.empty() && desktop.count(upperName) != 0;
      driver->SetName(std::move(name));
      driver->SetAttribsString(vDrvsInfo.StringAt(i));
      driver->SetSelected(vDrvsSels.At(i).ToBool());
      if (desktopDriver) driver->SetDTDBDriver(true);
      session.Add(driver);
    }

    // The catalogue's own records follow; Add drops those whose exact name a stored driver has.
    for (int16_t j = 1, n = catalogue.Count(); j <= n; j = Next(j)) {
      session.Add(Require(catalogue.Item(j)));
      if (j == n) break;
    }
  });
}

void WizAPI::GetDataSourcesFromObject(WizardData& oWizard, const Value& vDats,
                                      const Value& vDatsInfo, const Value& vDatsTypes,
                                      const Value& vDatsSels, const Value& vDatsUninstFlags) {
  Trap("WizAPI:GetDataSourcesFromObject", [&] {
    if (vDats.IsEmpty()) return;
    DataSources& session = *Require(oWizard.DataSources);
    const int16_t upper = UpperBound16(vDats);
    for (int16_t i = 0; i <= upper; i = Next(i)) {
      std::string name = vDats.StringAt(i);
      if (name.empty()) continue;
      auto source = std::make_shared<DataSource>();
      source->SetName(std::move(name));
      source->SetSelected(vDatsSels.At(i).ToBool());
      // Any type but "system" (in any letter case) loads as a user data source.
      source->SetSystemDSN(UCase(vDatsTypes.StringAt(i)) == "SYSTEM");
      source->SetAttribsString(vDatsInfo.StringAt(i));
      source->SetUninstall(vDatsUninstFlags.At(i).ToBool());
      session.Add(source);
    }
  });
}

void WizAPI::SetDriversInObject(WizardData& oWizard, DesignObject& oObject) {
  Trap("WizAPI:SetDriversInObject", [&] {
    const Drivers& session = *Require(oWizard.Drivers);
    std::vector<std::string> names{""};
    std::vector<std::string> infos{""};
    std::vector<bool> selections{false};
    int16_t k = 0;
    for (int16_t i = 1, n = session.Count(); i <= n; i = Next(i)) {
      const DriverPtr driver = Require(session.Item(i));
      if (driver->Selected()) {
        names.resize(k + 1);
        infos.resize(k + 1);
        selections.resize(k + 1);
        names[k] = driver->Name();
        infos[k] = driver->AttribsString();
        selections[k] = driver->Selected();
        k = Next(k);
      }
      if (i == n) break;
    }
    oObject.PutProperty("Drivers", Value::Strings(names));
    oObject.PutProperty("DriversInfo", Value::Strings(infos));
    oObject.PutProperty("DriversSelections", Value::Booleans(selections));
  });
}

void WizAPI::SetDataSourcesInObject(WizardData& oWizard, DesignObject& oObject) {
  Trap("WizAPI:SetDataSourcesInObject", [&] {
    const DataSources& session = *Require(oWizard.DataSources);
    std::vector<std::string> names{""};
    std::vector<std::string> infos{""};
    std::vector<std::string> types{""};
    std::vector<bool> selections{false};
    std::vector<bool> uninstall{false};
    int16_t k = 0;
    for (int16_t i = 1, n = session.Count(); i <= n; i = Next(i)) {
      const DataSourcePtr source = Require(session.Item(i));
      if (source->Selected()) {
        names.resize(k + 1);
        infos.resize(k + 1);
        types.resize(k + 1);
        selections.resize(k + 1);
        uninstall.resize(k + 1);
        names[k] = source->Name();
        types[k] = source->SystemDSN() ? "system" : "user";
        infos[k] = source->AttribsString();
        selections[k] = source->Selected();
        uninstall[k] = source->Uninstall();
        k = Next(k);
      }
      if (i == n) break;
    }
    oObject.PutProperty("DataSources", Value::Strings(names));
    oObject.PutProperty("DataSourcesInfo", Value::Strings(infos));
    oObject.PutProperty("DataSourcesTypes", Value::Strings(types));
    oObject.PutProperty("DataSourcesSelections", Value::Booleans(selections));
    oObject.PutProperty("DataSourcesUninstFlags", Value::Booleans(uninstall));
  });
}

void WizAPI::CopyDrivers(Drivers& pTarget, const Drivers& pSource) {
  Trap("WizAPI:CopyDrivers", [&] {
    for (int16_t i = 1, n = pSource.Count(); i <= n; i = Next(i)) {
      const DriverPtr source = Require(pSource.Item(i));
      auto copy = std::make_shared<Driver>();
      copy->SetAttribsString(source->AttribsString());
      copy->SetName(source->Name());
      copy->SetSelected(source->Selected());
      copy->SetObjectProvided(source->ObjectProvided());
      // DTDBDriver is not copied: every copy starts outside the desktop-database family.
      pTarget.Add(copy);
      if (i == n) break;
    }
  });
}

void WizAPI::CopyDataSources(DataSources& pTarget, const DataSources& pSource) {
  Trap("WizAPI:CopyDataSources", [&] {
    for (int16_t i = 1, n = pSource.Count(); i <= n; i = Next(i)) {
      const DataSourcePtr source = Require(pSource.Item(i));
      auto copy = std::make_shared<DataSource>();
      copy->SetAttribsString(source->AttribsString());
      copy->SetName(source->Name());
      copy->SetSelected(source->Selected());
      copy->SetSystemDSN(source->SystemDSN());
      copy->SetUserDSN(source->UserDSN());
      copy->SetUninstall(source->Uninstall());
      pTarget.Add(copy);
      if (i == n) break;
    }
  });
}

}  // namespace lumora
