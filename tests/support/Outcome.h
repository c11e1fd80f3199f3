// What a call under test raised, as a value a table of cases can compare.
#pragma once

#include <string>

#include "contract/Failure.h"

namespace lumora::testing {

// The message of the `E` that `call` threw, or `none` when it returned.
template <class E, class F>
std::string MessageOf(F&& call, const char* none = "accepted") {
  try {
    call();
  } catch (const E& e) {
    return e.what();
  }
  return none;
}

// What `call` returned, as text, or "error N" for the Failure it raised.
template <class F>
std::string TextOrFailure(F&& call) {
  try {
    return call();
  } catch (const Failure& f) {
    return "error " + std::to_string(f.number());
  }
}

// The number of the Failure that `call` raised, or 0 when it returned.
template <class F>
int32_t FailureNumberOf(F&& call) {
  try {
    call();
  } catch (const Failure& f) {
    return f.number();
  }
  return 0;
}

}  // namespace lumora::testing
