// lumora import OBJECT --from SOURCE: drivers and data sources read back from an installer
// package, a WiX source or unixODBC files and stored in the object as Finish stores them. Its
// options are the invocation's ImportOptions; its refusals are HostErrors, mapped by main.
#pragma once

#include "Command.h"

namespace lumora::cli {

void AddImportOptions(CLI::App& sub, Invocation& invocation);
ExitStatus RunImport(const Invocation& invocation);

}  // namespace lumora::cli
