// The escapes of quoted texts in the form's design file and in wizard scripts: \" \\ \r \n \t.
#pragma once

#include <optional>

namespace lumora::forms {

// The character that the escape "\`letter`" stands for, or nothing for an unknown escape.
inline std::optional<char> Unescaped(char letter) {
  switch (letter) {
    case '"':
      return '"';
    case '\\':
      return '\\';
    case 'r':
      return '\r';
    case 'n':
      return '\n';
    case 't':
      return '\t';
    default:
      return std::nullopt;
  }
}

}  // namespace lumora::forms
