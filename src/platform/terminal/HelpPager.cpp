#include "platform/terminal/HelpPager.h"

#include <curses.h>

#include <algorithm>

#include "platform/help/ChmFile.h"
#include "platform/terminal/HelpLayout.h"
#include "platform/terminal/Screen.h"
#include "platform/terminal/TextCells.h"

namespace lumora::terminal {
namespace {

using forms::ContentsEntry;
using forms::TextBlock;

constexpr int kContentsCols = 28;

std::string Stem(const std::string& path) {
  const size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string WithSlash(const std::string& path) {
  return !path.empty() && path.front() == '/' ? path : "/" + path;
}

}  // namespace

HelpPager::HelpPager(Screen& screen, const std::string& helpFile)
    : screen_(screen), helpFile_(helpFile), file_(std::make_unique<forms::ChmFile>(helpFile)) {
  if (!file_->IsOpen()) return;
  if (const auto sitemap = file_->Read("/" + Stem(helpFile) + ".hhc")) {
    contents_ = forms::SitemapEntries(*sitemap);
  }
}

HelpPager::~HelpPager() = default;

void HelpPager::Open(const std::string& topicPath) {
  topic_ = WithSlash(topicPath);
  top_ = 0;
  blocks_.clear();
  const auto html = file_->Read(topic_);
  if (!html) {
    title_ = "Help";
    blocks_.push_back(
        {TextBlock::kParagraph, "The help file " + helpFile_ + " has no topic " + topic_ + ".", 0});
    return;
  }
  title_ = forms::HtmlTitle(*html);
  blocks_ = forms::HtmlBlocks(*html);
  for (size_t i = 0; i < contents_.size(); ++i) {
    if (WithSlash(contents_[i].local) == topic_) chosen_ = static_cast<int>(i);
  }
}

void HelpPager::Show(int32_t contextId) {
  if (!file_->IsOpen()) {
    title_ = "Help";
    blocks_ = {{TextBlock::kParagraph, file_->Error(), 0},
               {TextBlock::kParagraph, "No help can be shown.", 0}};
    contents_.clear();
  } else {
    const std::string topic = file_->TopicPath(contextId);
    if (topic.empty()) {
      title_ = "Help";
      blocks_ = {{TextBlock::kParagraph,
                  "The help file " + helpFile_ + " has no topic " + std::to_string(contextId) + ".",
                  0}};
    } else {
      Open(topic);
    }
  }
  inContents_ = false;
  for (;;) {
    Draw();
    const Key key = screen_.Read(250);
    if (key.kind == Key::kEnd) return;
    if (key.kind == Key::kNone) continue;
    const int text = std::max(1, LINES - 2);
    const int ch = key.kind == Key::kChar ? key.value : 0;
    const int code = key.kind == Key::kCode ? key.value : 0;
    if (ch == 'q' || ch == 'Q' || ch == 27) return;
    if (ch == '\t' && !contents_.empty()) {
      inContents_ = !inContents_;
      continue;
    }
    if (inContents_) {
      if (code == KEY_UP) chosen_ = std::max(0, chosen_ - 1);
      if (code == KEY_DOWN) chosen_ = std::min(static_cast<int>(contents_.size()) - 1, chosen_ + 1);
      if ((ch == 13 || ch == '\n' || code == KEY_ENTER || ch == ' ') &&
          !contents_[static_cast<size_t>(chosen_)].local.empty()) {
        Open(contents_[static_cast<size_t>(chosen_)].local);
        inContents_ = false;
      }
      continue;
    }
    switch (code) {
      case KEY_UP:
        top_ = std::max(0, top_ - 1);
        break;
      case KEY_DOWN:
        ++top_;
        break;
      case KEY_PPAGE:
        top_ = std::max(0, top_ - text);
        break;
      case KEY_NPAGE:
        top_ += text;
        break;
      case KEY_HOME:
        top_ = 0;
        break;
      case KEY_END:
        top_ = 1 << 20;
        break;
      default:
        if (ch == ' ') top_ += text;
        break;
    }
  }
}

void HelpPager::Draw() {
  erase();
  const bool unicode = screen_.Unicode();
  const bool side = !contents_.empty() && COLS >= kContentsCols + 30;
  const int textCol = side ? kContentsCols + 1 : 0;
  const int textCols = COLS - textCol - 1;
  screen_.Text(0, 0, " Help: " + title_, COLS, Role::kTitle);
  const std::vector<std::string> lines = LayOut(blocks_, std::max(10, textCols), unicode);
  const int rows = std::max(1, LINES - 2);
  top_ = std::clamp(top_, 0, std::max(0, static_cast<int>(lines.size()) - rows));
  for (int r = 0; r < rows && top_ + r < static_cast<int>(lines.size()); ++r) {
    screen_.Text(1 + r, textCol + 1, lines[static_cast<size_t>(top_ + r)], textCols, Role::kNormal);
  }
  if (side) {
    screen_.Text(1, 0, " Contents", kContentsCols, Role::kFrame);
    for (size_t i = 0; i < contents_.size() && static_cast<int>(i) + 2 < LINES - 1; ++i) {
      const ContentsEntry& entry = contents_[i];
      const std::string line =
          std::string(static_cast<size_t>(1 + 2 * entry.depth), ' ') + entry.name;
      Role role = Role::kNormal;
      if (static_cast<int>(i) == chosen_) role = inContents_ ? Role::kFocus : Role::kMnemonic;
      screen_.Text(2 + static_cast<int>(i), 0, line, kContentsCols, role);
    }
    for (int r = 1; r < LINES - 1; ++r) {
      screen_.Text(r, kContentsCols, unicode ? "\xE2\x94\x82" : "|", 1, Role::kFrame);
    }
  }
  screen_.Text(LINES - 1, 0,
               " Up/Down PgUp/PgDn: scroll   Tab: contents   Enter: open   q/Esc: back to the "
               "wizard",
               COLS, Role::kTitle);
  // The cursor on the contents entry chosen while the contents have the keys, else at the top
  // of the topic, where a screen reader starts reading.
  if (side && inContents_ && chosen_ + 2 < LINES - 1) {
    const int indent = 1 + 2 * contents_[static_cast<size_t>(chosen_)].depth;
    screen_.PlaceCursor(2 + chosen_, std::min(indent, kContentsCols - 1));
  } else {
    screen_.PlaceCursor(1, textCol + 1);
  }
  refresh();
}

}  // namespace lumora::terminal
