#include "platform/forms/TabOrder.h"

#include <algorithm>

#include "platform/forms/Form.h"

namespace lumora::forms {
namespace {

void Walk(const std::vector<Control*>& level, const std::function<bool(const Control&)>& keep,
          std::vector<Control*>& chain) {
  std::vector<Control*> sorted = level;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Control* a, const Control* b) {
    return a->TabIndex() < b->TabIndex();
  });
  for (Control* control : sorted) {
    if (keep && !keep(*control)) continue;
    if (control->IsContainer()) {
      Walk(control->Children(), keep, chain);
    } else {
      chain.push_back(control);
    }
  }
}

}  // namespace

std::vector<Control*> TabOrder(const Form& form, const std::function<bool(const Control&)>& keep) {
  std::vector<Control*> chain;
  Walk(form.Children(), keep, chain);
  return chain;
}

}  // namespace lumora::forms
