// What the component's library keeps while it is loaded: the count of its live objects and of
// the locks its class factory holds (DllCanUnloadNow answers from them), and where its own file
// lies. Shared by every export and object of the library.
#pragma once

#include <atomic>
#include <string>

namespace lumora::com {

// Every object the library made and has not yet freed: class factories, LumoraCtl objects,
// failure infos.
std::atomic<long>& LiveObjects();
// LockServer(TRUE) calls not yet undone.
std::atomic<long>& ServerLocks();

// The path of the library's own file (found with dladdr) and its folder.
std::string OwnLibraryPath();
std::string OwnFolder();

}  // namespace lumora::com
