// The lines of a text read whole, one by one, numbered from 1: each ends at LF, a CR before it
// is dropped, and a final line end starts no further line. An empty text is one empty line.
#pragma once

#include <string_view>

namespace lumora {

class TextLines {
 public:
  explicit TextLines(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (pos_ > text_.size() || (pos_ == text_.size() && pos_ > 0 && text_.back() == '\n')) {
      return false;
    }
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = end + 1;
    ++number_;
    return true;
  }
  int number() const { return number_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  int number_ = 0;
};

}  // namespace lumora
