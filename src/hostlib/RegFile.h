// Registry exports (.reg files) as a registry source. Both header forms are read, "REGEDIT4"
// (8-bit text) and "Windows Registry Editor Version 5.00" (usually UTF-16LE with a byte-order
// mark); 8-bit text is taken as UTF-8 when it is valid UTF-8 and as Windows-1252 otherwise (a
// UTF-8 byte-order mark is skipped). Exports joined into one file (`cat a.reg b.reg`) read as
// one: a header line after the first starts the next part, in its own form. An export with no
// HKEY_CURRENT_USER keys but one real user's tree under HKEY_USERS (an export of everything)
// reads that tree as the current user; several users are refused naming them. A multi-string
// value reads as its first string.
// HKEY_CURRENT_USER becomes the user root and HKEY_LOCAL_MACHINE the machine root; the other
// classic roots are kept under their own numbers. Values keep their file order; [-key] and
// "name"=- delete. A malformed file is refused with its path and line number.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "hostlib/RegistryTree.h"

namespace lumora {

// Reads and parses the export at `path`; throws HostError naming the file and line (or
// why the file cannot be read).
std::shared_ptr<RegistryTree> LoadRegFile(const std::string& path);
// Parses `bytes` as the content of `path` (used in messages); throws HostError.
std::shared_ptr<RegistryTree> ParseRegFile(std::string_view bytes, const std::string& path);

}  // namespace lumora
