// lumora export OBJECT --format msi|wix|odbcinst [--out DIR]: the stored choices as the input of
// an installer. Its options live with it rather than in the shared Invocation.
#pragma once

#include "Command.h"

namespace lumora::cli {

void AddExportOptions(CLI::App& sub, Invocation& invocation);
ExitStatus RunExport(const Invocation& invocation);

}  // namespace lumora::cli
