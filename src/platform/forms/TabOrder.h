// The order Tab moves through a form, the same in every front end: depth first through the
// containers, siblings by TabIndex (controls with equal TabIndex keep the form's order). Each
// front end says which controls it counts (shown, able to take the focus, ...); a container it
// leaves out takes its children with it.
#pragma once

#include <functional>
#include <vector>

namespace lumora::forms {

class Control;
class Form;

// The controls of `form` other than containers, in tab order, of those `keep` counts (all when
// `keep` is empty); `keep` is asked about the containers too.
std::vector<Control*> TabOrder(const Form& form,
                               const std::function<bool(const Control&)>& keep = {});

}  // namespace lumora::forms
