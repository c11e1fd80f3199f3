// Where the component finds its catalogue, help file and artwork relative to its own library, so
// that an installed tree can be moved: beside the library in the build tree, share/lumora/ of the
// install prefix otherwise. The program's side of the layout (where it finds the component) is
// host/InstallTree.h.
#pragma once

#include <string>

namespace lumora::layout {

// `path` made absolute against the current folder, lexically normalised; "" stays "".
std::string Absolute(const std::string& path);

// The folder of the catalogue, help file and artwork for a component in `libraryFolder`: the
// library's own folder when the catalogue lies there (the build tree), else the installed data
// folder when it exists, else the library's own folder.
std::string DataFolderFor(const std::string& libraryFolder);

}  // namespace lumora::layout
