// The help file's HTML as a terminal shows it: headings, paragraphs, definition and bulleted
// lists turned into blocks of plain text that the help pager wraps to its width, and the
// contents (sitemap) of the file as a list of titled topics. Parsing is libxml2's forgiving
// HTML parser; nothing here draws.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumora::terminal {

struct TextBlock {
  enum Kind { kHeading, kParagraph, kItem, kTerm, kDefinition, kPreformatted };
  Kind kind = kParagraph;
  std::string text;  // white space folded (kept as it is in preformatted text)
  int depth = 0;     // list nesting, for items
};

// The blocks of a topic's body, in reading order.
std::vector<TextBlock> HtmlBlocks(std::string_view html);
// The title of a topic (<title>, else its first heading; "" when it has neither).
std::string HtmlTitle(std::string_view html);

// Lines of at most `width` cells: headings underlined, items bulleted and indented by depth,
// definitions indented, a blank line between blocks.
std::vector<std::string> LayOut(const std::vector<TextBlock>& blocks, int width, bool unicode);

struct ContentsEntry {
  std::string name;
  std::string local;  // the topic's object path ("topic3.html"); "" for a heading only
  int depth = 0;
};
// The entries of a sitemap (.hhc), in order.
std::vector<ContentsEntry> SitemapEntries(std::string_view hhc);

}  // namespace lumora::terminal
