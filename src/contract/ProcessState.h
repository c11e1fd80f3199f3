// What the component holds while it is loaded: the host library it calls for utility objects,
// its own folder (where lumora.ini and lumora.chm lie), and the shared error reporter. The host
// attaches the library and folder before the first call into the component; the reporter is made
// at the first report and kept until the component is detached (unloaded), whatever is attached
// meanwhile. There is one such state per process: a library that the component loads (the window
// library) works on the component's state, handed to it with ShareState.
#pragma once

#include <memory>
#include <string>

namespace lumora {

class HostLibrary;
class ErrorReporter;

namespace component {

struct State;

void Attach(std::shared_ptr<HostLibrary> host, std::string componentFolder);
// Forgets the host library, the folder and the reporter, as an unload of the component does.
void Detach();

// The attached host library; fails with 91 when none is attached.
HostLibrary& Host();
// The component's own folder, as the host laid it out (no trailing separator needed).
const std::string& ComponentFolder();
// The error reporter that every class and module but the wizard form shares.
ErrorReporter& SharedErrorReporter();

// This copy's state, and how another copy of this code (in a library the component loaded)
// is made to work on it: ShareState(&CurrentState()) there; ShareState(nullptr) undoes it.
State& CurrentState();
void ShareState(State* shared);

}  // namespace component
}  // namespace lumora
