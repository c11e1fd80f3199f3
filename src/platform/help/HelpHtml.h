// The help file's HTML read for the renderers, with libxml2's forgiving HTML parser: the
// contents (sitemap) of the file as a list of titled topics, which the window's contents pane
// and the terminal's pager both show, and a topic's title and body as blocks of plain text
// (headings, paragraphs, definition and bulleted lists) for a renderer that shows text only.
// Nothing here draws.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumora::forms {

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

struct ContentsEntry {
  std::string name;
  std::string local;  // the topic's object path ("topic3.html"); "" for a heading only
  int depth = 0;      // 0 at the top; an entry belongs to the last one a level up before it
};
// The entries of a sitemap (.hhc), in order.
std::vector<ContentsEntry> SitemapEntries(std::string_view hhc);

}  // namespace lumora::forms
