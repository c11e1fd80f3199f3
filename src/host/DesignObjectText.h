// The text of a design-object file, {"properties": {...}} with any other top-level members, read
// into its parts and written back. The properties are read straight into Values (the component's
// lists hold tens of thousands of entries); other members are kept as JSON, in their order.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "contract/HostError.h"

#include "contract/Value.h"

namespace lumora {

// Named values in their stored order, found by name.
class OrderedProperties {
 public:
  const Value* Find(const std::string& name) const;
  void Put(const std::string& name, Value value);  // replaces in place, or appends
  void Erase(const std::string& name);
  const std::vector<std::pair<std::string, Value>>& items() const { return items_; }

 private:
  std::vector<std::pair<std::string, Value>> items_;
  std::unordered_map<std::string, size_t> index_;
};

struct DesignObjectDocument {
  // The top-level members in their order; the "properties" member is a placeholder at
  // `propertiesAt`, its values are in `properties`.
  std::vector<std::pair<std::string, nlohmann::ordered_json>> members;
  std::optional<size_t> propertiesAt;
  OrderedProperties properties;
};

// Reads `text` as the content of `path` (named in messages). Refuses text that is not UTF-8, not
// JSON, nested deeper than 100 levels, names a member twice in one object, holds an integer
// beyond 64 bits, or a property integer beyond 32 bits, with the path, line and column.
DesignObjectDocument ReadDesignObjectText(const std::string& path, const std::string& text);

// The document as the file holds it: JSON indented by two spaces, then a line end.
std::string WriteDesignObjectText(const DesignObjectDocument& document);

}  // namespace lumora
