// What `lumora check` finds that only breaks on the Windows machine the package installs on,
// without a connection: in the stored choices (warnings: a data source's Driver= that is no
// Windows file, POSIX paths, secrets in clear) and, given a package, in the package against
// them (errors: files it does not carry, ODBC rows naming what it lacks, missing ODBC actions,
// components of the other platform). Each finding names the item, the line or row, and what
// to do.
#pragma once

#include <string_view>
#include <vector>

#include "CheckFindings.h"
#include "export/PackageOdbc.h"

namespace lumora::cli {

// Whether `value` reads as a Windows file path: a path symbol (<WINSYSDIR>...), an environment
// variable (%SystemRoot%...), a drive letter and a separator, or a UNC path.
bool IsWindowsPath(std::string_view value);

// The warnings about the selected drivers and data sources.
std::vector<Finding> FindTargetProblems(const StoredChoices& choices);

// The errors about `package`, and about it against the selected drivers when `choices` is given.
std::vector<Finding> FindPackageProblems(const StoredChoices* choices,
                                         const exporting::PackageOdbc& package);

}  // namespace lumora::cli
