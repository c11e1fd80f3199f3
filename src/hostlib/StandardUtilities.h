// The host's utility objects that have no outside state, shared by the real host library and
// the test one: the path helper and the field-list parser.
#pragma once

#include <string>

#include "contract/FieldParser.h"
#include "contract/PathHelper.h"

namespace lumora {

class StandardPathHelper : public PathHelper {
 public:
  std::string AddBackslash(const std::string& path) override;
};

class StandardFieldParser : public FieldParser {
 public:
  std::string GetValue(const std::string& text, const std::string& key,
                       bool caseSensitive) override;
};

}  // namespace lumora
