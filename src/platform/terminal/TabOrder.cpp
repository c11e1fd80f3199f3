#include "platform/terminal/TabOrder.h"

#include <algorithm>
#include <functional>
#include <string>

#include "platform/forms/Form.h"
#include "platform/forms/Label.h"
#include "platform/terminal/CellGeometry.h"
#include "platform/terminal/TextCells.h"

namespace lumora::terminal {

std::vector<forms::Control*> TabChain(const forms::Form& form, bool withLabels) {
  std::vector<forms::Control*> chain;
  std::function<void(const std::vector<forms::Control*>&)> walk =
      [&](const std::vector<forms::Control*>& level) {
        std::vector<forms::Control*> sorted = level;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const forms::Control* a, const forms::Control* b) {
                           return a->TabIndex() < b->TabIndex();
                         });
        for (forms::Control* control : sorted) {
          if (!IsOnScreen(*control)) continue;
          if (control->IsContainer()) {
            walk(control->Children());
          } else if (control->CanHaveFocus() && control->IsReachable()) {
            chain.push_back(control);
          } else if (withLabels && dynamic_cast<forms::Label*>(control) != nullptr) {
            chain.push_back(control);
          }
        }
      };
  walk(form.Children());
  return chain;
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
    if (dynamic_cast<forms::Label*>(control) == nullptr) return {control, true};
    for (size_t j = i + 1; j < chain.size(); ++j) {
      if (dynamic_cast<forms::Label*>(chain[j]) == nullptr) return {chain[j], false};
    }
    return {};
  }
  return {};
}

}  // namespace lumora::terminal
