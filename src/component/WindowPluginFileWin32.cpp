#include "component/window/WindowPlugin.h"

namespace lumora::window {

// The native Win32 renderer (src/platform/win32).
const char* const kPluginFile = "BVLumoraWin.dll";

}  // namespace lumora::window
