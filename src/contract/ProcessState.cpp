#include "contract/ProcessState.h"

#include "contract/ErrorReporter.h"
#include "contract/Failure.h"
#include "contract/HostLibrary.h"

namespace lumora::component {

struct State {
  std::shared_ptr<HostLibrary> host;
  std::string folder;
  std::unique_ptr<ErrorReporter> reporter;
};

namespace {
State* sharedState = nullptr;
}  // namespace

State& CurrentState() {
  if (sharedState != nullptr) return *sharedState;
  static State own;
  return own;
}

void ShareState(State* shared) {
  sharedState = shared;
}

void Attach(std::shared_ptr<HostLibrary> host, std::string componentFolder) {
  CurrentState().host = std::move(host);
  CurrentState().folder = std::move(componentFolder);
}

void Detach() {
  CurrentState().reporter.reset();
  CurrentState().host.reset();
  CurrentState().folder.clear();
}

HostLibrary& Host() {
  if (!CurrentState().host) Raise(kObjectNotSet);
  return *CurrentState().host;
}

const std::string& ComponentFolder() {
  return CurrentState().folder;
}

ErrorReporter& SharedErrorReporter() {
  State& state = CurrentState();
  if (!state.reporter) state.reporter = std::make_unique<ErrorReporter>();
  return *state.reporter;
}

}  // namespace lumora::component
