#include "component/plugin/RendererPlugin.h"

namespace lumora::renderer {

const char* const kWindowLibrary = "libBVLumoraQt.so";

}  // namespace lumora::renderer
