// The help window of the window renderer (private to it): one topic of a compiled help file in
// a text browser, with the topic's stylesheet, links and pictures read from the same file.
// A missing or unreadable file, or a missing topic, is said in the window instead.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

class QTextBrowser;

namespace lumora::forms {

class ChmFile;

class HelpWindow : public QWidget {
 public:
  explicit HelpWindow(QWidget* parent);
  ~HelpWindow() override;

  // Opens `helpFile` at topic `contextId` and brings the window forward; false when the file or
  // the topic could not be read (the window then says so).
  bool ShowTopic(const std::string& helpFile, int32_t contextId);
  // What the window shows now, as plain text (for tests).
  QString ShownText() const;

 private:
  class Browser;
  Browser* browser_;
  std::shared_ptr<ChmFile> file_;
};

}  // namespace lumora::forms
