#include "host/contract/Environment.h"

#include "host/contract/ErrorReporter.h"
#include "host/contract/Failure.h"
#include "host/contract/HostLibrary.h"

namespace lumora::component {
namespace {

struct State {
  std::shared_ptr<HostLibrary> host;
  std::string folder;
  std::unique_ptr<ErrorReporter> reporter;
};

State& state() {
  static State s;
  return s;
}

}  // namespace

void Attach(std::shared_ptr<HostLibrary> host, std::string componentFolder) {
  state().host = std::move(host);
  state().folder = std::move(componentFolder);
  state().reporter.reset();
}

void Detach() {
  state().reporter.reset();
  state().host.reset();
  state().folder.clear();
}

HostLibrary& Host() {
  if (!state().host) Raise(kObjectNotSet);
  return *state().host;
}

const std::string& ComponentFolder() {
  return state().folder;
}

ErrorReporter& SharedErrorReporter() {
  if (!state().reporter) state().reporter = std::make_unique<ErrorReporter>();
  return *state().reporter;
}

}  // namespace lumora::component
