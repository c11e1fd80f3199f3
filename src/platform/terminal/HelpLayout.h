// A help topic's text blocks (forms::HtmlBlocks) laid out for the terminal's help pager: lines
// of at most a given number of cells, headings underlined, items bulleted and indented by
// depth, definitions indented, a blank line between blocks.
#pragma once

#include <string>
#include <vector>

#include "platform/help/HelpHtml.h"

namespace lumora::terminal {

std::vector<std::string> LayOut(const std::vector<forms::TextBlock>& blocks, int width,
                                bool unicode);

}  // namespace lumora::terminal
