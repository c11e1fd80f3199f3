// Where the program finds the component and its own libraries in the tree it was installed in, so
// that an installed tree can be moved: the program in bin/, the component, its front-end
// libraries and the installer-format library in lib/<multiarch>/lumora/, the system-wide
// component registries under $XDG_DATA_DIRS. In the build tree all of them lie together in one
// folder, and every lookup tries that first. Where the component finds its own data is
// hostlib/DataFolder.h.
#pragma once

#include <string>
#include <vector>

namespace lumora::layout {

// Where the component's library may lie for a program in `programFolder`, in the order tried:
// beside the program (the build tree), then the installed library folder.
std::vector<std::string> ComponentCandidates(const std::string& programFolder,
                                             const std::string& fileName);

// The folder of the running program's own file (/proc/self/exe): the build and the install put
// the component and the program's own libraries relative to it.
std::string ProgramFolder();

// A library of lumora's own tree (the component, the installer-format library): the first of
// ComponentCandidates(ProgramFolder(), fileName) that can be read, else the first.
std::string OwnTreeLibrary(const std::string& fileName);

// The system-wide component registries, one per folder of $XDG_DATA_DIRS (default
// /usr/local/share:/usr/share), in that order: FOLDER/lumora/components.json.
std::vector<std::string> SystemRegistryFiles();

}  // namespace lumora::layout
