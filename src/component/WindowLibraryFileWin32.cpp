#include "component/plugin/RendererPlugin.h"

namespace lumora::renderer {

// The native Win32 renderer (src/platform/win32).
const char* const kWindowLibrary = "BVLumoraWin.dll";

}  // namespace lumora::renderer
