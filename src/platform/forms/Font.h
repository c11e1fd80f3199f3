// The font of a form or control as the classic forms hold it: face name, point size, bold and
// italic. A plain value; the renderer maps the face to one the screen has.
#pragma once

#include <string>

namespace lumora::forms {

struct Font {
  std::string name = "MS Sans Serif";
  double size = 8;
  bool bold = false;
  bool italic = false;

  bool operator==(const Font&) const = default;
};

}  // namespace lumora::forms
