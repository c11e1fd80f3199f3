// Libraries of ours that a program or the component opens at run time, only when it needs what
// they link (a renderer, the installer formats), each reached through the one table it exports.
// A library is opened on first use and kept for the life of the process. Opening it is the
// platform's (contract/SharedLibrary.h); the checks around it and the messages of a refusal are
// shared.
#pragma once

#include <string>

#include "contract/HostError.h"

namespace lumora {

// How a library that cannot be used is refused: "cannot load LIBRARY PURPOSE: WHY ADVICE", or,
// for one that loads but is not of this build, "LIBRARY PATH does not belong to OWNER ADVICE".
struct PluginUse {
  std::string library;  // "the wizard window's library"
  std::string owner;    // "this component"
  std::string purpose;  // ", which ...", or empty
  std::string advice;   // "; use --script FILE ...", or empty
  HostError::Kind kind = HostError::Kind::kBadInput;
};

// The address of the export `entry` of the library at `path`, or null when the library has no such
// export; throws HostError as `use` says when the library cannot be opened.
void* PluginEntry(const std::string& path, const char* entry, const PluginUse& use);
[[noreturn]] void RefuseForeignPlugin(const std::string& path, const PluginUse& use);

// The table that the library's export `entry` (a function taking nothing) returns; the table's
// first member is `int version`, which must be `version`.
template <class Table>
const Table& LoadPlugin(const std::string& path, const char* entry, int version,
                        const PluginUse& use) {
  using Entry = const Table* (*)();
  void* address = PluginEntry(path, entry, use);
  const Table* table = address != nullptr ? reinterpret_cast<Entry>(address)() : nullptr;
  if (table == nullptr || table->version != version) RefuseForeignPlugin(path, use);
  return *table;
}

}  // namespace lumora
