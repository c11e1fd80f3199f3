// What a terminal keeps of a control that the runtime has no property for: the row a list's
// cursor is on and how far the list is scrolled, where the caret is in a text box and how far
// the box is scrolled. Owned by the form view, read and kept in range by the painter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace lumora::forms {
class ListView;
class TextBox;
}  // namespace lumora::forms

namespace lumora::terminal {

struct ListState {
  int32_t cursor = 1;  // 1-based
  int32_t top = 1;
};

struct EditState {
  size_t line = 0, column = 0;  // the caret: a line and a byte offset in it
  size_t top = 0, left = 0;     // the first line and the first cell shown
};

class ControlStates {
 public:
  ListState& Of(const forms::ListView& list) { return lists_[&list]; }
  EditState& Of(const forms::TextBox& box) { return edits_[&box]; }

 private:
  std::unordered_map<const forms::ListView*, ListState> lists_;
  std::unordered_map<const forms::TextBox*, EditState> edits_;
};

}  // namespace lumora::terminal
