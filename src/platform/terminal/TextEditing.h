// Editing a text box's text as a terminal does it: the text as lines (a multi-line box keeps
// classic "\r\n" line ends), a caret at a line and a byte offset that moves by whole
// characters, and the edits a person makes with the keys. Pure: the form view hands the edited
// text to the runtime.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumora::terminal {

// The lines of a text box's text ("\r\n" or "\n" between lines); a single-line box has one.
// Never empty.
std::vector<std::string> SplitLines(std::string_view text, bool multiLine);
// `line` without its first `cells` cells (a wide character cut in two shows as a space).
std::string SkipCells(std::string_view line, int cells, bool unicode);
std::string EncodeUtf8(char32_t c);

class TextEdit {
 public:
  TextEdit(std::string_view text, bool multiLine, size_t line, size_t column);

  void Left();
  void Right();
  void Up(size_t lines);
  void Down(size_t lines);
  void Home();
  void End();
  // Each returns whether the text changed.
  bool Insert(std::string_view utf8);  // "\n" breaks the line in a multi-line box
  bool Backspace();
  bool Delete();

  // The text with "\r\n" between lines.
  std::string Text() const;
  size_t Line() const { return line_; }
  size_t Column() const { return column_; }

 private:
  std::vector<std::string> lines_;
  bool multiLine_;
  size_t line_, column_;
};

}  // namespace lumora::terminal
