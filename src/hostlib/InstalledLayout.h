// Where the installed pieces lie relative to one another, so that an installed tree can be moved:
// the program in bin/, the component and the window library in lib/<multiarch>/lumora/, the
// catalogue, help file and artwork in share/lumora/. In the build tree all of them lie together
// in one folder, and every lookup tries that first.
#pragma once

#include <string>
#include <vector>

namespace lumora::layout {

// `path` made absolute against the current folder, lexically normalised; "" stays "".
std::string Absolute(const std::string& path);

// Where the component's library may lie for a program in `programFolder`, in the order tried:
// beside the program (the build tree), then the installed library folder.
std::vector<std::string> ComponentCandidates(const std::string& programFolder,
                                             const std::string& fileName);

// The folder of the catalogue, help file and artwork for a component in `libraryFolder`: the
// library's own folder when the catalogue lies there (the build tree), else the installed data
// folder when it exists, else the library's own folder.
std::string DataFolderFor(const std::string& libraryFolder);

// The system-wide component registries, one per folder of $XDG_DATA_DIRS (default
// /usr/local/share:/usr/share), in that order: FOLDER/lumora/components.json.
std::vector<std::string> SystemRegistryFiles();

}  // namespace lumora::layout
