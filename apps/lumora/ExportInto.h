// lumora export --format msi --into PACKAGE: the tables written straight into an installer
// package instead of .idt files; the package is changed whole or left as it was.
#pragma once

#include <string>

#include "Command.h"
#include "export/ExportWriters.h"

namespace lumora::cli {

// `output` is what --format msi made. Prints what was written, a line each; a refusal or a
// failure names the package and why, and leaves it as it was (exit 2).
ExitStatus WriteIntoPackage(const std::string& package, const exporting::ExportOutput& output,
                            bool force);

}  // namespace lumora::cli
