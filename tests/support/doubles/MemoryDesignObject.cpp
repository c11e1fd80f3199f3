#include "support/doubles/MemoryDesignObject.h"

namespace lumora {

Value MemoryDesignObject::GetProperty(const std::string& name) {
  log_.push_back("get " + name);
  return Peek(name);
}

void MemoryDesignObject::PutProperty(const std::string& name, const Value& value) {
  log_.push_back("put " + name);
  for (auto& [key, stored] : properties_) {
    if (key == name) {
      stored = value;
      return;
    }
  }
  properties_.emplace_back(name, value);
}

Value MemoryDesignObject::Peek(const std::string& name) const {
  for (const auto& [key, stored] : properties_) {
    if (key == name) return stored;
  }
  return Value();
}

}  // namespace lumora
