// The failure convention in one place. A trapping operation wraps its steps in Trap with its
// procedure text ("WizAPI:ReadDrvSections"): a failure stops the steps, is reported, and the
// operation returns normally with what it had reached. Routines that run "with every error
// ignored" use IgnoreFailures around each statement instead.
#pragma once

#include <string_view>
#include <utility>

#include "contract/ErrorReporter.h"
#include "contract/ProcessState.h"

namespace lumora {

// Runs `body`; returns true when it completed, false when it failed and the failure was reported.
template <class Body>
bool Trap(ErrorReporter& reporter, std::string_view procedure, Body&& body) {
  try {
    std::forward<Body>(body)();
    return true;
  } catch (...) {
    reporter.ReportCurrentException(procedure);
    return false;
  }
}

// The same with the component's shared error-report object.
template <class Body>
bool Trap(std::string_view procedure, Body&& body) {
  return Trap(component::SharedErrorReporter(), procedure, std::forward<Body>(body));
}

// Runs `body` and drops any failure unreported ("resume next" for one statement).
template <class Body>
void IgnoreFailures(Body&& body) {
  try {
    std::forward<Body>(body)();
  } catch (...) {
  }
}

}  // namespace lumora
