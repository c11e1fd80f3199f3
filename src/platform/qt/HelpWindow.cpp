#include "platform/qt/HelpWindow.h"

#include <QKeySequence>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "platform/qt/ChmFile.h"

namespace lumora::forms {

// A text browser whose documents, stylesheets and pictures come from the help file.
class HelpWindow::Browser : public QTextBrowser {
 public:
  using QTextBrowser::QTextBrowser;
  std::shared_ptr<ChmFile> file;

  QVariant loadResource(int type, const QUrl& name) override {
    if (!file || !name.scheme().isEmpty()) return {};
    const std::optional<std::string> bytes = file->Read(name.path().toStdString());
    if (!bytes) return {};
    const QByteArray content(bytes->data(), static_cast<qsizetype>(bytes->size()));
    if (type == QTextDocument::HtmlResource) {
      // The text engine loads a linked stylesheet only when the link names its type.
      static const QRegularExpression untypedStylesheet(
          QStringLiteral(
              "<link\\b(?![^>]*\\btype\\s*=)([^>]*\\brel\\s*=\\s*[\"']?stylesheet[^>]*)>"),
          QRegularExpression::CaseInsensitiveOption);
      return QString::fromUtf8(content).replace(untypedStylesheet,
                                                QStringLiteral("<link type=\"text/css\"\\1>"));
    }
    if (type == QTextDocument::StyleSheetResource) return QString::fromUtf8(content);
    return content;
  }
};

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("helpWindow"));
  setWindowTitle(tr("Help"));
  browser_ = new Browser(this);
  browser_->setObjectName(QStringLiteral("helpBrowser"));
  browser_->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  resize(560, 420);
  auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(close, &QShortcut::activated, this, &QWidget::close);
}

HelpWindow::~HelpWindow() = default;

bool HelpWindow::ShowTopic(const std::string& helpFile, int32_t contextId) {
  file_ = std::make_shared<ChmFile>(helpFile);
  browser_->file = file_;
  const auto say = [&](const QString& message) {
    browser_->clear();
    browser_->setPlainText(message);
    setWindowTitle(tr("Help"));
  };
  bool shown = false;
  if (!file_->IsOpen()) {
    say(QString::fromStdString(file_->Error()) + QStringLiteral("\n\nNo help can be shown."));
  } else {
    const std::string topic = file_->TopicPath(contextId);
    if (!file_->Read(topic)) {
      say(QStringLiteral("The help file %1 has no topic %2 (%3).")
              .arg(QString::fromStdString(helpFile))
              .arg(contextId)
              .arg(QString::fromStdString(topic)));
    } else {
      browser_->setSource(QUrl(QString::fromStdString(topic)), QTextDocument::HtmlResource);
      shown = true;
      const QString title = browser_->documentTitle();
      setWindowTitle(title.isEmpty() ? tr("Help") : tr("Help - %1").arg(title));
    }
  }
  show();
  raise();
  activateWindow();
  return shown;
}

QString HelpWindow::ShownText() const {
  return browser_->toPlainText();
}

}  // namespace lumora::forms
