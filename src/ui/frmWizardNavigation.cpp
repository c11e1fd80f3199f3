// Page sequence and navigation: which page follows which under Next, Back and Cancel, what each
// move commits into the session, the button bar and window title of every page, F1 and Escape.
#include "contract/HostLibrary.h"
#include "contract/ProcessState.h"
#include "contract/Trap.h"
#include "platform/forms/Application.h"
#include "ui/StringTable.h"
#include "ui/Wizard.h"
#include "ui/frmWizard.h"
#include "ui/modWizard.h"

namespace lumora {
namespace {

constexpr int32_t kOffPage = -10000;
constexpr int16_t kLastStep = 7;  // "page" 7 ends the wizard

// Pages of the navigation.
enum Page : int16_t {
  kStep1 = 0,
  kAdvancedDrivers = 1,
  kStep2 = 3,
  kAdvancedDataSources = 4,
  kSummary = 6,
};

// Buttons of the bar.
enum NavButton : int16_t { kHelp = 0, kCancel = 1, kBack = 2, kNext = 3 };

}  // namespace

void frmWizard::SetStep(int16_t step) {
  Trap(reporter_, "frmWizard:SetStep", [&] {
    FinishReady = false;
    switch (step) {
      case kStep1:
        cmdDrvAdv.SetEnabled(!oWizAPI->AreAllDrvsUnselected(lvwDrivers));
        break;
      case kStep2:
        cmdDSNAdv.SetEnabled(!oWizAPI->AreAllDSNsUnselected(lvwDSNs));
        break;
      case kSummary:
        FinishReady = true;
        oWizAPI->SaveDrvsDSNsSelections(lvwDrivers, *Owner().Drivers);
        oWizAPI->SaveDrvsDSNsSelections(lvwDSNs, *Owner().DataSources);
        AddSummary();
        break;
      case kLastStep:
        EndWizard();
        return;
      default:
        break;
    }
    fraStep(CurrentStep).SetEnabled(false);
    fraStep(step).SetLeft(0);
    if (step != CurrentStep) fraStep(CurrentStep).SetLeft(kOffPage);
    fraStep(step).SetEnabled(true);
    fraImage.ZOrder(0);
    cmdNav(kHelp).SetHelpContextID(fraStep(step).HelpContextID());
    ShowStepCaption(step);
    SetNavBtns(step);
    FocusPage(step);
  });
}

void frmWizard::FocusPage(int16_t step) {
  const forms::Control& page = fraStep(step);
  for (forms::Control* control : Controls()) {
    if (!control->CanHaveFocus() || !control->IsReachable()) continue;
    for (const forms::Control* c = control->Container(); c != nullptr; c = c->Container()) {
      if (c == &page) {
        control->SetFocus();
        return;
      }
    }
  }
}

void frmWizard::SetNavBtns(int16_t step) {
  Trap(reporter_, "frmWizard:SetNavBtns", [&] {
    CurrentStep = step;
    forms::CommandButton& back = cmdNav(kBack);
    forms::CommandButton& next = cmdNav(kNext);
    switch (step) {
      case kStep1:
        back.SetEnabled(false);
        back.SetVisible(true);
        next.SetCaption(LoadResString(103));
        break;
      case kAdvancedDrivers:
      case kAdvancedDataSources:
        back.SetVisible(false);
        next.SetCaption(LoadResString(106));
        break;
      case kStep2:
        back.SetEnabled(true);
        back.SetVisible(true);
        next.SetCaption(LoadResString(103));
        break;
      case kSummary:
        back.SetEnabled(true);
        break;
      default:
        break;
    }
    if (FinishReady) next.SetCaption(LoadResString(104));
  });
}

void frmWizard::cmdNav_Click(int16_t Index) {
  Trap(reporter_, "frmWizard:cmdNav_Click", [&] {
    const int16_t c = CurrentStep;
    switch (Index) {
      case kHelp:
        SendKeys(forms::kKeyF1);
        break;
      case kCancel:
        if (c == kAdvancedDrivers || c == kAdvancedDataSources) {
          SetStep(static_cast<int16_t>(c - 1));
        } else {
          Owner().ReturnCode = false;
          EndWizard();
        }
        break;
      case kBack:
        if (c == kStep2) SetStep(kStep1);
        if (c == kSummary) SetStep(kStep2);
        break;
      case kNext: {
        int16_t n = static_cast<int16_t>(c + 1);
        Wizard& owner = Owner();
        if (c == kAdvancedDrivers) {
          owner.Drivers->RemoveAll();
          oWizAPI->CopyDrivers(*owner.Drivers, *WorkDrivers);
        }
        if (c == kStep1) {
          oWizAPI->SaveDrvsDSNsSelections(lvwDrivers, *owner.Drivers);
          n = static_cast<int16_t>(c + 3);
        }
        if (c == kAdvancedDataSources) {
          owner.DataSources->RemoveAll();
          oWizAPI->CopyDataSources(*owner.DataSources, *WorkDataSources);
        }
        if (c == kStep2) {
          oWizAPI->SaveDrvsDSNsSelections(lvwDSNs, *owner.DataSources);
          n = static_cast<int16_t>(c + 3);
        }
        if (c == kAdvancedDrivers) {
          n = static_cast<int16_t>(c - 1);
          oWizAPI->AddDrvsDSNsToListView(*WorkDrivers, lvwDrivers);
        }
        if (c == kAdvancedDataSources) {
          n = static_cast<int16_t>(c - 1);
          oWizAPI->AddDrvsDSNsToListView(*WorkDataSources, lvwDSNs);
        }
        SetStep(n);
        break;
      }
      default:
        break;
    }
  });
}

void frmWizard::Form_KeyDown(int16_t& KeyCode, int16_t /*Shift*/) {
  Trap(reporter_, "frmWizard:Form_KeyDown", [&] {
    if (KeyCode == forms::kKeyF1) {
      SetHelpContextID(fraStep(CurrentStep).HelpContextID());
      forms::App().SetHelpFile(
          component::Host().NewPathHelper()->AddBackslash(component::ComponentFolder()) +
          "lumora.chm");
    } else if (KeyCode == forms::kKeyEscape) {
      Owner().ReturnCode = false;
      EndWizard();
    }
  });
}

}  // namespace lumora
