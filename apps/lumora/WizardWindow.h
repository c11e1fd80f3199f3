// The window branch of `lumora wizard`: runs the wizard in a window on `object` and sets
// `finished` when it ended with Finish. Returns kDone when the window ran (whatever the
// outcome), kBadUsage after printing why no window can be shown or the host settings are bad.
#pragma once

#include "Command.h"

namespace lumora {
class DesignObjectFile;
}

namespace lumora::cli {

ExitStatus RunWizardWindow(const Invocation& invocation, DesignObjectFile& object, bool& finished);

}  // namespace lumora::cli
