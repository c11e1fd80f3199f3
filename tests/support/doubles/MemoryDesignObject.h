// A design object held in memory: properties in the order they were first put, and a log of
// every get and put ("get Drivers", "put Drivers") so tests can see what the component touched.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "contract/DesignObject.h"

namespace lumora {

class MemoryDesignObject : public DesignObject {
 public:
  Value GetProperty(const std::string& name) override;
  void PutProperty(const std::string& name, const Value& value) override;

  // Reads without logging.
  Value Peek(const std::string& name) const;
  const std::vector<std::string>& log() const { return log_; }
  void ClearLog() { log_.clear(); }

 private:
  std::vector<std::pair<std::string, Value>> properties_;
  std::vector<std::string> log_;
};

}  // namespace lumora
