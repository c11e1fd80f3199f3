// The host's per-object property container, passed to the component as oObject or pObject.
// The component only gets and puts properties by name. A property never put reads as empty
// (not a failure); a put value comes back unchanged from later gets.
#pragma once

#include <string>

#include "contract/Value.h"

namespace lumora {

class DesignObject {
 public:
  virtual ~DesignObject() = default;
  virtual Value GetProperty(const std::string& name) = 0;
  virtual void PutProperty(const std::string& name, const Value& value) = 0;
};

}  // namespace lumora
