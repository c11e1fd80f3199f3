// A form's design as data, read from a small GML-like text (see data/frmWizard.gml for the
// format): nested blocks `Type name(index) { Property: value ... }`, values being "strings"
// (escapes \" \\ \n \r \t), integers, true/false or [lists of strings]. ParseDesign turns the
// text into a tree; BuildForm creates the controls and sets their properties by name. Every
// error names the file and line.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "platform/forms/Control.h"
#include "platform/forms/Form.h"

namespace lumora::forms {

class DesignError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using DesignValue = std::variant<int64_t, bool, std::string, std::vector<std::string>>;

struct DesignProperty {
  std::string name;
  DesignValue value;
  int line = 0;
};

struct DesignNode {
  std::string type;
  std::string name;
  int16_t index = kNoIndex;
  int line = 0;
  std::vector<DesignProperty> properties;
  std::vector<DesignNode> children;
};

// Parses a design text; `file` names it in errors ("frmWizard.gml:12: ...").
DesignNode ParseDesign(const std::string& text, const std::string& file);

// Applies the root node (type Form) to `form` and creates every control under it, in order.
// Fails with DesignError for an unknown type, an unknown or unsupported property or a bad value.
void BuildForm(Form& form, const DesignNode& root, const std::string& file);

// A form built from a design text when it is constructed, so that a derived form's members can
// refer to its controls from their initializers. Fails with DesignError.
class DesignedForm : public Form {
 public:
  DesignedForm(const std::string& designText, const std::string& file);

 private:
  DesignedForm(const DesignNode& root, const std::string& file);
};

// Creates a control of a classic type name ("Frame", "ListView", ...); null for an unknown one.
std::unique_ptr<Control> CreateControl(const std::string& type, std::string name, int16_t index);

}  // namespace lumora::forms
