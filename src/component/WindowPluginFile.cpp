#include "component/window/WindowPlugin.h"

namespace lumora::window {

const char* const kPluginFile = "libBVLumoraQt.so";

}  // namespace lumora::window
