// The names of the properties the forms runtime tells its observers about. A renderer reads the
// new value from the control itself; the enum only says which one changed.
#pragma once

namespace lumora::forms {

enum class Property {
  Caption,
  Text,
  Value,
  Enabled,
  Visible,
  Left,
  Top,
  Width,
  Height,
  Tag,
  ToolTipText,
  TabIndex,
  HelpContextID,
  Font,
  ZOrder,
  ListIndex,
  Picture,
  View,
  HideColumnHeaders,
  Checkboxes,
  MultiLine,
  ScrollBars,
  Style,
  Default,
  Cancel,
  KeyPreview,
  Locked,
};

// The property's classic name ("Caption", "ListIndex", ...).
const char* PropertyName(Property property);

}  // namespace lumora::forms
