// The wizard form: a forms::Form built from its design (data/frmWizard.gml, built into the
// component) with typed references to its controls, the session it belongs to (OwnerWizard, not
// owned), its own WizAPI and error reporter, and the working copies of the advanced pages. There
// is one shared instance (Shared()); a new session loads a fresh one.
//
// The handlers live in files of their own: frmWizard.cpp (load, close box, window title),
// frmWizardEvents.cpp (which handler answers which event), and one file per page group for the
// page handlers (navigation, activation, driver pages, data-source pages, summary).
#pragma once

#include <cstdint>
#include <memory>

#include "contract/ErrorReporter.h"
#include "model/Collections.h"
#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Components.h"
#include "platform/forms/ControlArray.h"
#include "platform/forms/Form.h"
#include "platform/forms/FormDesign.h"
#include "platform/forms/Frame.h"
#include "platform/forms/Image.h"
#include "platform/forms/Label.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/PictureBox.h"
#include "platform/forms/TextBox.h"
#include "services/WizAPI.h"

namespace lumora {

class Wizard;

class frmWizard : public forms::DesignedForm {
 public:
  // The shared instance: the current one, or a fresh one (not loaded) when there is none or the
  // last one was unloaded. An instance replaced this way stays alive until the next replacement,
  // so a handler still running on it is safe.
  static frmWizard& Shared();
  // The current shared instance, or null; never creates one.
  static frmWizard* Existing();
  // Drops the shared instance (tests; the next Shared() builds a new one).
  static void Reset();

  // Builds the form and its controls from the design; nothing is loaded yet.
  frmWizard();
  ~frmWizard() override;

  // --- Controls --------------------------------------------------------------------------------
  forms::ControlArray<forms::Frame> fraStep{*this, "fraStep"};
  forms::ControlArray<forms::CommandButton> cmdNav{*this, "cmdNav"};
  forms::ControlArray<forms::Label> lblStep{*this, "lblStep"};
  forms::ControlArray<forms::Label> lblBranding{*this, "lblBranding"};
  forms::Frame& fraImage = Get<forms::Frame>("fraImage");
  forms::Frame& fraPageArea = Get<forms::Frame>("fraPageArea");  // holds the page frames
  forms::Image& imgSidePanel = Get<forms::Image>("imgSidePanel");
  forms::Frame& fraBranding = Get<forms::Frame>("fraBranding");
  forms::PictureBox& picNav = Get<forms::PictureBox>("picNav");
  forms::CommonDialog& dlgCommon = Get<forms::CommonDialog>("dlgCommon");
  forms::ImageList& ImageList1 = Get<forms::ImageList>("ImageList1");
  // Step 1 (page 0) and the advanced driver page (page 1).
  forms::Label& lblDrivers = Get<forms::Label>("lblDrivers");
  forms::ListView& lvwDrivers = Get<forms::ListView>("lvwDrivers");
  forms::Label& lblDTDBDrv = Get<forms::Label>("lblDTDBDrv");
  forms::ComboBox& cboProvidedDrivers = Get<forms::ComboBox>("cboProvidedDrivers");
  forms::CommandButton& cmdDrvAdv = Get<forms::CommandButton>("cmdDrvAdv");
  forms::ComboBox& cboDrivers = Get<forms::ComboBox>("cboDrivers");
  forms::TextBox& txtDrvAttrib = Get<forms::TextBox>("txtDrvAttrib");
  forms::Frame& fraLine1 = Get<forms::Frame>("fraLine1");
  forms::Label& lblNewDriver = Get<forms::Label>("lblNewDriver");
  forms::TextBox& txtNewDriver = Get<forms::TextBox>("txtNewDriver");
  forms::CommandButton& cmdAddDrv = Get<forms::CommandButton>("cmdAddDrv");
  // Step 2 (page 3) and the advanced data-source page (page 4).
  forms::Label& lblDSNs = Get<forms::Label>("lblDSNs");
  forms::ListView& lvwDSNs = Get<forms::ListView>("lvwDSNs");
  forms::CommandButton& cmdDSNAdv = Get<forms::CommandButton>("cmdDSNAdv");
  forms::ComboBox& cboDSNs = Get<forms::ComboBox>("cboDSNs");
  forms::TextBox& txtDSNAttrib = Get<forms::TextBox>("txtDSNAttrib");
  forms::OptionButton& optUserDSN = Get<forms::OptionButton>("optUserDSN");
  forms::OptionButton& optSystemDSN = Get<forms::OptionButton>("optSystemDSN");
  forms::CheckBox& chkUninstDSN = Get<forms::CheckBox>("chkUninstDSN");
  forms::Frame& fraLine2 = Get<forms::Frame>("fraLine2");
  forms::Label& lblNewDSN = Get<forms::Label>("lblNewDSN");
  forms::TextBox& txtNewDSN = Get<forms::TextBox>("txtNewDSN");
  forms::CommandButton& cmdAddDSN = Get<forms::CommandButton>("cmdAddDSN");
  forms::CommandButton& cmdDSNTest = Get<forms::CommandButton>("cmdDSNTest");
  // Summary (page 6).
  forms::TextBox& txtSummary = Get<forms::TextBox>("txtSummary");

  // --- State -----------------------------------------------------------------------------------
  Wizard* OwnerWizard = nullptr;  // the session that loaded the form (not owned)
  int16_t CurrentStep = 0;
  int32_t SavedLeft = 0;
  int32_t SavedTop = 0;
  bool ChangingDTDBVer = false;
  bool FinishReady = false;
  std::unique_ptr<WizAPI> oWizAPI;
  DriversPtr WorkDrivers;
  DataSourcesPtr WorkDataSources;

  // The session; fails with 91 when the form has none.
  Wizard& Owner() const;

  // --- Handlers of this file group ----------------------------------------------------------
  void Form_Load();
  void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode);
  void Form_Unload(int16_t& Cancel);
  // The window title from fraStep(step).Tag; every failure is ignored.
  void ShowStepCaption(int16_t step);

  // --- Page handlers (navigation, activation, pages): declared here by their files ----------
  // Navigation (frmWizardNavigation.cpp).
  void SetStep(int16_t step);
  void SetNavBtns(int16_t step);
  void cmdNav_Click(int16_t Index);
  void Form_KeyDown(int16_t& KeyCode, int16_t Shift);
  // Moves the focus to the first control of page `step` that can take it, as a wizard does when
  // it shows a page, so that neither the keyboard nor F1 acts on a control of a page left.
  void FocusPage(int16_t step);
  // First showing (frmWizardActivate.cpp).
  void Form_Activate();
  // Driver pages and data-source pages (frmWizardPages.cpp).
  void lvwDrivers_Click();
  void cboProvidedDrivers_Click();
  void cmdDrvAdv_Click();
  void cboDrivers_Click();
  void txtDrvAttrib_LostFocus();
  void txtNewDriver_Change();
  void cmdAddDrv_Click();
  void lvwDSNs_Click();
  void cmdDSNAdv_Click();
  void cboDSNs_Click();
  void txtDSNAttrib_LostFocus();
  void txtNewDSN_Change();
  void cmdAddDSN_Click();
  void optUserDSN_Click();
  void optSystemDSN_Click();
  void chkUninstDSN_Click();
  // The Test button of the advanced data-source page (frmWizardTest.cpp).
  void cmdDSNTest_Click();
  // Summary (frmWizardSummary.cpp).
  void AddSummary();

 private:
  // Connects the form's and controls' events to the handlers (frmWizardEvents.cpp).
  void ConnectEvents();

  ErrorReporter reporter_;
};

// The design text of frmWizard (data/frmWizard.gml), built into the component.
const char* FrmWizardDesignText();

}  // namespace lumora
