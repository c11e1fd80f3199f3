// What the component holds while it is loaded: the host library it calls for utility objects,
// its own folder (where lumora.ini and lumora.chm lie), and the shared error reporter. The host
// attaches these once, before the first call into the component.
#pragma once

#include <memory>
#include <string>

namespace lumora {

class HostLibrary;
class ErrorReporter;

namespace component {

void Attach(std::shared_ptr<HostLibrary> host, std::string componentFolder);
void Detach();

// The attached host library; fails with 91 when none is attached.
HostLibrary& Host();
// The component's own folder, as the host laid it out (no trailing separator needed).
const std::string& ComponentFolder();
// The error reporter that every class and module but the wizard form shares.
ErrorReporter& SharedErrorReporter();

}  // namespace component
}  // namespace lumora
