// The one error of the host's own work: a file, a setting or a registry refused, a component that
// cannot be loaded, an object that cannot be written. what() names the file and says what is
// wrong; kind() alone decides the command line's exit status, mapped in one place by lumora.
// Failures inside the component keep their own convention (Failure: number, description, source).
#pragma once

#include <stdexcept>
#include <string>

#include "contract/MessageText.h"

namespace lumora {

class HostError : public std::runtime_error {
 public:
  enum class Kind {
    kBadInput,  // bad usage or input: refused before anything was written
    kNotDone,   // the work could not be done: a component not loaded, an object not written
  };

  // The message is kept escaped: a NUL or a control character from a file neither cuts it
  // short nor reaches a terminal raw.
  HostError(Kind kind, const std::string& message)
      : std::runtime_error(EscapeForMessage(message)), kind_(kind) {}
  static HostError BadInput(const std::string& message) { return {Kind::kBadInput, message}; }
  static HostError NotDone(const std::string& message) { return {Kind::kNotDone, message}; }

  Kind kind() const { return kind_; }

 private:
  Kind kind_;
};

}  // namespace lumora
