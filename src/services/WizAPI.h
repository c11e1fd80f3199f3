// The wizard's stateless service class. Each operation takes the collections, design object
// and controls it works on as arguments, traps its own failures (reporting them as
// "WizAPI:<operation>") and returns what it had reached. The operations are implemented one
// concern per file: Persistence, Catalogue, RegistryDiscovery, PathSymbols, ControlHelpers,
// BuildQuery.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/DesignObject.h"
#include "contract/Value.h"
#include "model/Collections.h"
#include "services/WizardData.h"

namespace lumora {

namespace forms {
class ListView;
class ComboBox;
class TextBox;
class OptionButton;
class CheckBox;
}  // namespace forms

class WizAPI {
 public:
  // --- Design-object persistence -------------------------------------------------------------
  void GetDriversFromObject(DesignObject& oObject, WizardData& oWizard, const Value& vDrvs,
                            const Value& vDrvsInfo, const Value& vDrvsSels);
  void GetDataSourcesFromObject(WizardData& oWizard, const Value& vDats, const Value& vDatsInfo,
                                const Value& vDatsTypes, const Value& vDatsSels,
                                const Value& vDatsUninstFlags);
  void SetDriversInObject(WizardData& oWizard, DesignObject& oObject);
  void SetDataSourcesInObject(WizardData& oWizard, DesignObject& oObject);
  // Appends copies of the source's records to the target (DTDBDriver is never copied).
  void CopyDrivers(Drivers& pTarget, const Drivers& pSource);
  void CopyDataSources(DataSources& pTarget, const DataSources& pSource);

  // --- Provided-driver catalogue (lumora.ini beside the component) ---------------------------
  void ReadDrvsBVProvided(Drivers& pDrvs, int32_t dtdbVerNumber, bool bChangingDTDBVer);
  void ReadTransBVProvided(Translators& pTrans);
  void ReadDrvSections(int16_t nIndex, const std::string& sIni, const std::string& sSec,
                       const std::string& sKey, Drivers& pDrvs, const std::string& sPrefix,
                       bool bChangingDTDBVer);
  void ReadTransSections(int16_t nIndex, const std::string& sIni, const std::string& sSec,
                         const std::string& sKey, Translators& pTrans);

  // --- Registry discovery -----------------------------------------------------------------------
  // False when the names were listed; true when the key does not open, is empty or fails.
  bool EnumValueNames(int32_t root, const std::string& keyPath, std::vector<std::string>& names);
  void ReadDrvDSNFromReg(int32_t root, const std::string& keyPath, const std::string& listKeyName,
                         DataSources& pTarget);

  // --- Path symbols -------------------------------------------------------------------------
  std::string ConvertPathToBVDestSymbol(const std::string& sDest);

  // --- Build-time selection test (traps nothing) ----------------------------------------------
  bool IsDriverSelected(const Value& vDrvs, const Value& vDrvsSels, const std::string& strDrv);

  // --- List, combo and attribute-editor helpers -------------------------------------------------
  void AddOneDrvDSNToListView(const Driver& oDrvDSN, forms::ListView& lvw);
  void AddOneDrvDSNToListView(const DataSource& oDrvDSN, forms::ListView& lvw);
  void AddDrvsDSNsToListView(const Drivers& oDrvDSN, forms::ListView& lvw);
  void AddDrvsDSNsToListView(const DataSources& oDrvDSN, forms::ListView& lvw);
  void SaveDrvsDSNsSelections(forms::ListView& lvw, Drivers& oDrvDSN);
  void SaveDrvsDSNsSelections(forms::ListView& lvw, DataSources& oDrvDSN);
  bool AreAllDrvsUnselected(forms::ListView& lvwDrivers);
  bool AreAllDSNsUnselected(forms::ListView& lvwDSNs);
  void AddOneDrvDSNToCombo(const Driver& oDrvDSN, forms::ComboBox& cboBox, forms::TextBox& txtTxt,
                           forms::OptionButton& optUser, forms::OptionButton& optSystem,
                           forms::CheckBox& chkUninst);
  void AddOneDrvDSNToCombo(const DataSource& oDrvDSN, forms::ComboBox& cboBox,
                           forms::TextBox& txtTxt, forms::OptionButton& optUser,
                           forms::OptionButton& optSystem, forms::CheckBox& chkUninst);
  void AddDrvsDSNsToCombo(const Drivers& oDrvDSN, forms::ComboBox& cboBox, forms::TextBox& txtTxt,
                          forms::OptionButton& optUser, forms::OptionButton& optSystem,
                          forms::CheckBox& chkUninst);
  void AddDrvsDSNsToCombo(const DataSources& oDrvDSN, forms::ComboBox& cboBox,
                          forms::TextBox& txtTxt, forms::OptionButton& optUser,
                          forms::OptionButton& optSystem, forms::CheckBox& chkUninst);
  void ShowOneDrvDSNAttribs(const Driver& oDrvDSN, forms::ComboBox& cboBox, forms::TextBox& txtTxt,
                            forms::OptionButton& optUser, forms::OptionButton& optSystem,
                            forms::CheckBox& chkUninst);
  void ShowOneDrvDSNAttribs(const DataSource& oDrvDSN, forms::ComboBox& cboBox,
                            forms::TextBox& txtTxt, forms::OptionButton& optUser,
                            forms::OptionButton& optSystem, forms::CheckBox& chkUninst);
  void ShowDrvsDSNsAttribs(const Drivers& oDrvDSN, forms::ComboBox& cboBox, forms::TextBox& txtTxt,
                           forms::OptionButton& optUser, forms::OptionButton& optSystem,
                           forms::CheckBox& chkUninst);
  void ShowDrvsDSNsAttribs(const DataSources& oDrvDSN, forms::ComboBox& cboBox,
                           forms::TextBox& txtTxt, forms::OptionButton& optUser,
                           forms::OptionButton& optSystem, forms::CheckBox& chkUninst);
  void UpdateAttribsString(Drivers& oDrvDSN, forms::ComboBox& cboBox, forms::TextBox& txtTxt);
  void UpdateAttribsString(DataSources& oDrvDSN, forms::ComboBox& cboBox, forms::TextBox& txtTxt);
};

}  // namespace lumora
