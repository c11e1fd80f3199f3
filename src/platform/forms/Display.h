// Whether this process can show windows, answered without loading the window library.
#pragma once

#include <string>

namespace lumora::forms {

// The value of the environment variable `name`; "" when it is not set.
std::string Env(const char* name);

// Whether a window can be shown in this process: a Qt platform other than "offscreen" or
// "minimal" was chosen (QT_QPA_PLATFORM), or DISPLAY or WAYLAND_DISPLAY names a display that
// can be reached (on Windows: the process's window station is the interactive one). When not,
// `why` says what is missing.
bool DisplayAvailable(std::string* why = nullptr);

}  // namespace lumora::forms
