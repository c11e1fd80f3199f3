// lumora export --format msi --into PACKAGE: the tables written straight into an installer
// package instead of .idt files; the package is changed whole or left as it was.
#pragma once

#include <string>

#include "Command.h"
#include "export/ExportWriters.h"

namespace lumora::cli {

ExitStatus WriteIntoPackage(const std::string& package, const std::string& format,
                            const exporting::ExportOutput& output, bool force);

}  // namespace lumora::cli
