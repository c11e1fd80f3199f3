// The help window of the window renderer (private to it): one topic of a compiled help file in
// a text browser, with the topic's stylesheet, links and pictures read from the same file, a
// contents pane from the file's sitemap, and Back and Forward through the pages seen.
// A missing or unreadable file, or a missing topic, is said in the window instead.
#pragma once

#include <QWidget>
#include <memory>
#include <string>

class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;

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
  // The contents pane from the help file's sitemap (lumora.hhc in lumora.chm); hidden when the
  // file has none.
  void LoadContents(const std::string& helpFile);
  // Shows the page of a contents entry.
  void Open(QTreeWidgetItem* item);
  // After each page shown: the window title and the contents entry of that page.
  void Shown(const QUrl& url);
  Browser* browser_;
  QTreeWidget* contents_;
  std::shared_ptr<ChmFile> file_;
};

}  // namespace lumora::forms
