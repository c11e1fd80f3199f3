// The form dump: what a script's `dump` prints, the state a person would see, as one JSON line.
// Shared by every renderer that plays scripts; it reads the form and keeps nothing. Texts of text
// and combo boxes pass through the form's dump filter (Form::SetDumpFilter) first.
#pragma once

#include <cstdint>
#include <string>

namespace lumora::forms {

class Form;

// One JSON line describing the form: {"caption":…,"step":N,"focus":NAME,"controls":[…]}.
std::string DumpForm(const Form& form, int32_t step);

}  // namespace lumora::forms
