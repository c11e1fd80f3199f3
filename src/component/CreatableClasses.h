// The Windows build's BVLumora.dll as a COM server: its one creatable class LumoraCtl (a control),
// its type library and its counts, for the exports of RegistrationWin32.cpp and
// ServerExportsWin32.cpp.
#pragma once

#include "automation/ComServer.h"

namespace lumora::com {

const ComServer& ComponentServer();

}  // namespace lumora::com
