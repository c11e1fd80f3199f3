// DPI for the Win32 renderer: the process asks to be told each monitor's DPI where the system
// can (the calls are looked up at run time, so older systems and Wine versions without them
// fall back to system-wide awareness), and a window's DPI is read from the window when it can be.
#pragma once

#include <windows.h>

namespace lumora::forms {

// Makes the process per-monitor DPI aware (version 2 where there is one), else system aware.
// Only the first call acts.
void BecomeDpiAware();
// The DPI of the monitor `hwnd` is on (the system's when the system cannot say per window).
int DpiOf(HWND hwnd);

}  // namespace lumora::forms
