// Pictures for the Win32 renderer: a form's picture file (PNG, BMP, JPEG, GIF) read through GDI+
// into a bitmap GDI can show, its transparent parts laid on the dialog's face colour.
#pragma once

#include <windows.h>

#include <string>

namespace lumora::forms {

// The bitmap of `picture` (relative to the component's folder unless absolute), or null when it
// is empty or cannot be read. The caller owns it (DeleteObject).
HBITMAP ReadPicture(const std::string& picture);

}  // namespace lumora::forms
