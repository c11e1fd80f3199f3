// A Wine prefix's own registry files as a registry source, read without an export step:
// user.reg becomes the user root and system.reg the machine root. Their format:
//   WINE REGISTRY Version 2
//   ;; All keys relative to \\Machine              (a comment; so are other ; lines)
//   #arch=win64                                    (# lines are Wine's own notes)
//   [Software\\ODBC\\ODBC.INI\\Orders] 1700000000   (key path escaped, then its time stamp)
//   #time=1d9...   #class="..."                    (ignored)
//   "Name"="text"  @="default"                     (REG_SZ)
//   "Name"=str(2):"text"  str(7):"a\0b\0"          (REG_EXPAND_SZ, REG_MULTI_SZ, ...)
//   "Name"=dword:0000002a
//   "Name"=hex:01,02  hex(b):...                   (a line ending in \ carries on)
// Strings use C escapes: \\ \" \n \r \t \a \b \e \f \v, \xHHHH (one to four hex digits, one
// UTF-16 code unit) and octal \ooo. Value data takes the forms HostRegistry.h lists; a
// multi-string reads as its first string.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "hostlib/RegistryTree.h"

namespace lumora {

// The folder of the default prefix: $WINEPREFIX, else ~/.wine.
std::string DefaultWinePrefix();

// Reads `prefix`/user.reg and `prefix`/system.reg (a missing one holds nothing; both missing
// is refused); throws HostError naming the file and line.
std::shared_ptr<RegistryTree> LoadWinePrefixRegistry(const std::string& prefix);

// Adds one Wine registry file's keys below `root`; throws HostError naming `path` and line.
void AddWineRegistryFile(std::string_view bytes, const std::string& path, RegistryTreeKey& root);

}  // namespace lumora
