#include "platform/terminal/HelpLayout.h"

#include <algorithm>

#include "platform/terminal/TextCells.h"

namespace lumora::terminal {

using forms::TextBlock;

std::vector<std::string> LayOut(const std::vector<TextBlock>& blocks, int width, bool unicode) {
  std::vector<std::string> lines;
  const std::string bullet = unicode ? "\xE2\x80\xA2 " : "* ";
  for (const TextBlock& block : blocks) {
    if (!lines.empty() && block.kind != TextBlock::kDefinition) lines.emplace_back();
    int indent = 0;
    std::string first;
    switch (block.kind) {
      case TextBlock::kItem:
        indent = 2 * block.depth;
        first = bullet;
        break;
      case TextBlock::kDefinition:
        indent = 4;
        break;
      default:
        break;
    }
    const int lead = CellWidth(first, unicode);
    const int room = std::max(8, width - indent - lead);
    const std::vector<std::string> wrapped = WrapCells(block.text, room, unicode);
    for (size_t i = 0; i < wrapped.size(); ++i) {
      const std::string pad(static_cast<size_t>(indent), ' ');
      lines.push_back(pad + (i == 0 ? first : std::string(static_cast<size_t>(lead), ' ')) +
                      wrapped[i]);
    }
    if (block.kind == TextBlock::kHeading) {
      lines.emplace_back(static_cast<size_t>(std::min(width, CellWidth(block.text, unicode))), '=');
    }
  }
  return lines;
}

}  // namespace lumora::terminal
