// A failure inside the component: the classic run-time error with its number, description and
// source. Every failing step throws one; trapping operations catch it at their own boundary
// (see Trap.h) and hand it to the error-report object. Nothing else is ever thrown on purpose.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace lumora {

// The classic run-time error numbers this system raises.
enum ErrorNumber : int32_t {
  kInvalidArgument = 5,
  kOverflow = 6,
  kOutOfMemory = 7,
  kSubscriptOutOfRange = 9,
  kTypeMismatch = 13,
  kFileNotFound = 53,
  kInternalError = 51,
  kObjectNotSet = 91,
  kInvalidPropertyValue = 380,
  kPropertyNotFound = 438,
  kIndexOutOfBounds = 35600,
  kKeyNotUnique = 35602,
};

// The source a failure of the component's own code carries: the project's name.
inline constexpr const char* kComponentSource = "BVLumora";

class Failure : public std::runtime_error {
 public:
  Failure(int32_t number, std::string description, std::string source = kComponentSource);

  int32_t number() const { return number_; }
  const std::string& description() const { return description_; }
  const std::string& source() const { return source_; }

 private:
  int32_t number_;
  std::string description_;
  std::string source_;
};

// The classic description of an error number ("Overflow", "Subscript out of range", ...).
std::string ClassicDescription(int32_t number);

// Throws the failure with the classic description of its number.
[[noreturn]] void Raise(int32_t number, std::string source = kComponentSource);
// Throws the failure with a description of its own.
[[noreturn]] void Raise(int32_t number, std::string description, std::string source);

}  // namespace lumora
