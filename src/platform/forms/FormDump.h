// The form dump: what a script's `dump` prints, the state a person would see, as one JSON line.
// Shared by every renderer that plays scripts; it reads the form and keeps nothing.
#pragma once

#include <cstdint>
#include <string>

namespace lumora::forms {

class Form;

// One JSON line describing the form: {"caption":…,"step":N,"focus":NAME,"controls":[…]}.
std::string DumpForm(const Form& form, int32_t step);

}  // namespace lumora::forms
