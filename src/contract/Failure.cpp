#include "contract/Failure.h"

namespace lumora {

Failure::Failure(int32_t number, std::string description, std::string source)
    : std::runtime_error(description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

std::string ClassicDescription(int32_t number) {
  switch (number) {
    case kInvalidArgument:
      return "Invalid procedure call or argument";
    case kOverflow:
      return "Overflow";
    case kOutOfMemory:
      return "Out of memory";
    case kSubscriptOutOfRange:
      return "Subscript out of range";
    case kTypeMismatch:
      return "Type mismatch";
    case kInternalError:
      return "Internal error";
    case kFileNotFound:
      return "File not found";
    case kObjectNotSet:
      return "Object variable or With block variable not set";
    case kInvalidPropertyValue:
      return "Invalid property value";
    case kPropertyNotFound:
      return "Object doesn't support this property or method";
    case kIndexOutOfBounds:
      return "Index out of bounds";
    case kKeyNotUnique:
      return "Key is not unique in collection";
    default:
      return "Application-defined or object-defined error";
  }
}

void Raise(int32_t number, std::string source) {
  throw Failure(number, ClassicDescription(number), std::move(source));
}

void Raise(int32_t number, std::string description, std::string source) {
  throw Failure(number, std::move(description), std::move(source));
}

}  // namespace lumora
