#include "platform/terminal/Focus.h"

#include <string>
#include <string_view>

#include "platform/forms/Form.h"
#include "platform/forms/TabOrder.h"
#include "platform/terminal/CellGeometry.h"
#include "platform/terminal/TextCells.h"

namespace lumora::terminal {
namespace {

bool IsLabel(const forms::Control& control) {
  return std::string_view(control.TypeName()) == "Label";
}

}  // namespace

std::vector<forms::Control*> TabChain(const forms::Form& form, bool withLabels) {
  return forms::TabOrder(form, [&](const forms::Control& control) {
    if (!IsOnScreen(control)) return false;
    return control.IsContainer() || (control.CanHaveFocus() && control.IsReachable()) ||
           (withLabels && IsLabel(control));
  });
}

forms::Control* ShownFocus(const forms::Form& form) {
  forms::Control* active = form.ActiveControl();
  if (active != nullptr && IsOnScreen(*active) && active->IsReachable()) return active;
  const std::vector<forms::Control*> chain = TabChain(form);
  return chain.empty() ? nullptr : chain.front();
}

MnemonicTarget FindMnemonic(const forms::Form& form, char letter) {
  const std::vector<forms::Control*> chain = TabChain(form, true);
  for (size_t i = 0; i < chain.size(); ++i) {
    forms::Control* control = chain[i];
    std::string caption;
    try {
      caption = control->Caption();
    } catch (...) {
      continue;  // a control without a caption (a list, a text box)
    }
    if (ParseMnemonic(caption).letter != letter) continue;
    if (!IsLabel(*control)) return {control, true};
    for (size_t j = i + 1; j < chain.size(); ++j) {
      if (!IsLabel(*chain[j])) return {chain[j], false};
    }
    return {};
  }
  return {};
}

}  // namespace lumora::terminal
