// What the Windows build's host library asks of the system itself (Windows build only,
// WindowsServicesWin32.cpp): the well-known folders, from the system's own calls, and file
// versions through GetFileVersionInfoW.
#pragma once

#include <memory>

#include "contract/FileVersionInfo.h"
#include "hostlib/SystemFolderSet.h"

namespace lumora {

// The folders as a program of `bits` (32 or 64) sees them: the system folder is SysWOW64 for a
// 32-bit program on a 64-bit machine. Each ends in a backslash.
FolderSet SystemFolderSetOfThisMachine(int bits);

// The version reader over GetFileVersionInfoSizeW/GetFileVersionInfoW/VerQueryValueW.
std::unique_ptr<FileVersionInfo> NewSystemFileVersionInfo();

}  // namespace lumora
