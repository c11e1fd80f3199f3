// The terminal's help: one topic of a compiled help file as text in a full-screen pager, with
// the file's contents list beside it (Tab switches between them, Enter opens the entry chosen).
// q or Escape returns. A missing file or topic is said in the pager instead.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/help/HelpHtml.h"

namespace lumora::forms {
class ChmFile;
}

namespace lumora::terminal {

class Screen;

class HelpPager {
 public:
  HelpPager(Screen& screen, const std::string& helpFile);
  ~HelpPager();
  // Shows topic `contextId` until the person leaves the pager.
  void Show(int32_t contextId);

 private:
  void Open(const std::string& topicPath);
  void Draw();

  Screen& screen_;
  std::string helpFile_;
  std::unique_ptr<forms::ChmFile> file_;
  std::vector<forms::ContentsEntry> contents_;
  std::string title_;
  std::vector<forms::TextBlock> blocks_;
  std::string topic_;
  int top_ = 0;
  int chosen_ = 0;
  bool inContents_ = false;
};

}  // namespace lumora::terminal
