// Playing one script action on a shown form, as a person would: every renderer (the headless
// driver, the window's playback, a terminal) calls this and reaches the runtime only through
// UserInput. The form stays the caller's; nothing is kept between calls.
#pragma once

#include <string>

#include "platform/forms/ScriptParser.h"

namespace lumora::forms {

class Form;

// Plays one action other than dump on `form` through UserInput; returns why a person could not
// do it, naming the action and the control ("" when it was done).
std::string PlayAction(Form& form, const ScriptAction& action);

}  // namespace lumora::forms
