// The host's field-list parser: looks a key up in a text of ";"-separated key=value fields.
#pragma once

#include <string>

namespace lumora {

class FieldParser {
 public:
  virtual ~FieldParser() = default;
  // The value of the first field whose key equals `key` (ignoring case unless `caseSensitive`),
  // without blanks around it; "" when there is none.
  virtual std::string GetValue(const std::string& text, const std::string& key,
                               bool caseSensitive) = 0;
};

}  // namespace lumora
