#include "platform/terminal/TextEditing.h"

#include <algorithm>

#include "platform/terminal/TextCells.h"

namespace lumora::terminal {
namespace {

bool Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text, bool multiLine) {
  std::vector<std::string> lines;
  if (!multiLine) return {std::string(text)};
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return lines;
}

std::string SkipCells(std::string_view line, int cells, bool unicode) {
  std::string rest;
  int skipped = 0;
  for (const Glyph& glyph : Glyphs(line, unicode)) {
    if (skipped >= cells) {
      rest += glyph.bytes;
    } else if (skipped + glyph.cells > cells) {
      rest += ' ';  // the right half of a wide character
    }
    skipped += glyph.cells;
  }
  return rest;
}

std::string EncodeUtf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

TextEdit::TextEdit(std::string_view text, bool multiLine, size_t line, size_t column)
    : lines_(SplitLines(text, multiLine)), multiLine_(multiLine) {
  line_ = std::min(line, lines_.size() - 1);
  column_ = std::min(column, lines_[line_].size());
  while (column_ > 0 && Continuation(lines_[line_][column_])) --column_;
}

void TextEdit::Left() {
  if (column_ == 0) {
    if (line_ == 0) return;
    --line_;
    column_ = lines_[line_].size();
    return;
  }
  do {
    --column_;
  } while (column_ > 0 && Continuation(lines_[line_][column_]));
}

void TextEdit::Right() {
  const std::string& line = lines_[line_];
  if (column_ >= line.size()) {
    if (line_ + 1 >= lines_.size()) return;
    ++line_;
    column_ = 0;
    return;
  }
  do {
    ++column_;
  } while (column_ < line.size() && Continuation(line[column_]));
}

void TextEdit::Up(size_t lines) {
  line_ = line_ > lines ? line_ - lines : 0;
  *this = TextEdit(Text(), multiLine_, line_, column_);
}

void TextEdit::Down(size_t lines) {
  line_ = std::min(lines_.size() - 1, line_ + lines);
  *this = TextEdit(Text(), multiLine_, line_, column_);
}

void TextEdit::Home() {
  column_ = 0;
}
void TextEdit::End() {
  column_ = lines_[line_].size();
}

bool TextEdit::Insert(std::string_view utf8) {
  if (utf8 == "\n") {
    if (!multiLine_) return false;
    std::string rest = lines_[line_].substr(column_);
    lines_[line_].resize(column_);
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(line_) + 1, std::move(rest));
    ++line_;
    column_ = 0;
    return true;
  }
  if (utf8.empty()) return false;
  lines_[line_].insert(column_, utf8);
  column_ += utf8.size();
  return true;
}

bool TextEdit::Backspace() {
  if (line_ == 0 && column_ == 0) return false;
  const size_t line = line_, column = column_;
  Left();
  if (line_ != line) {
    lines_[line_] += lines_[line];
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(line));
  } else {
    lines_[line_].erase(column_, column - column_);
  }
  return true;
}

bool TextEdit::Delete() {
  if (column_ == lines_[line_].size() && line_ + 1 >= lines_.size()) return false;
  Right();  // then take back the character passed over (or the line end)
  Backspace();
  return true;
}

std::string TextEdit::Text() const {
  std::string text;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines_[i];
  }
  return text;
}

}  // namespace lumora::terminal
