#include "platform/qt/HelpWindow.h"

#include <QHBoxLayout>
#include <QKeySequence>
#include <QRegularExpression>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "platform/help/ChmFile.h"
#include "platform/help/HelpHtml.h"
#include "platform/qt/Accessibility.h"

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
  accessibility::MarkDialog(*this);
  setWindowTitle(tr("Help"));
  browser_ = new Browser(this);
  browser_->setObjectName(QStringLiteral("helpBrowser"));
  browser_->setOpenExternalLinks(true);
  contents_ = new QTreeWidget(this);
  contents_->setObjectName(QStringLiteral("helpContents"));
  contents_->setHeaderHidden(true);
  contents_->setColumnCount(1);
  auto* back = new QToolButton(this);
  back->setObjectName(QStringLiteral("helpBack"));
  back->setText(tr("Back"));
  back->setEnabled(false);
  auto* forward = new QToolButton(this);
  forward->setObjectName(QStringLiteral("helpForward"));
  forward->setText(tr("Forward"));
  forward->setEnabled(false);
  connect(back, &QToolButton::clicked, browser_, &QTextBrowser::backward);
  connect(forward, &QToolButton::clicked, browser_, &QTextBrowser::forward);
  connect(browser_, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) { Shown(url); });
  connect(contents_, &QTreeWidget::itemActivated, this,
          [this](QTreeWidgetItem* item) { Open(item); });
  connect(contents_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { Open(item); });

  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(4, 4, 4, 0);
  bar->addWidget(back);
  bar->addWidget(forward);
  bar->addStretch();
  auto* split = new QSplitter(this);
  split->addWidget(contents_);
  split->addWidget(browser_);
  split->setStretchFactor(1, 1);
  split->setSizes({200, 520});
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(bar);
  layout->addWidget(split);
  resize(760, 460);
  auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(close, &QShortcut::activated, this, &QWidget::close);
}

void HelpWindow::LoadContents(const std::string& helpFile) {
  contents_->clear();
  // The contents file is named as the help file is: lumora.chm holds lumora.hhc.
  const size_t slash = helpFile.rfind('/');
  std::string name = helpFile.substr(slash == std::string::npos ? 0 : slash + 1);
  name = name.substr(0, name.rfind('.')) + ".hhc";
  const std::optional<std::string> text = file_->Read(name);
  contents_->setVisible(text.has_value());
  if (!text) return;
  // Each entry belongs to the last entry a level up before it.
  std::vector<QTreeWidgetItem*> parents;
  for (const ContentsEntry& entry : SitemapEntries(*text)) {
    const size_t depth = std::min(static_cast<size_t>(entry.depth), parents.size());
    parents.resize(depth);
    auto* item = depth > 0 ? new QTreeWidgetItem(parents.back()) : new QTreeWidgetItem(contents_);
    item->setText(0, QString::fromStdString(entry.name));
    item->setData(0, Qt::UserRole,
                  entry.local.empty() ? QString() : QString::fromStdString("/" + entry.local));
    parents.push_back(item);
  }
  contents_->expandAll();
}

void HelpWindow::Open(QTreeWidgetItem* item) {
  const QString local = item != nullptr ? item->data(0, Qt::UserRole).toString() : QString();
  if (!local.isEmpty() && browser_->source().path() != local) browser_->setSource(QUrl(local));
}

void HelpWindow::Shown(const QUrl& url) {
  const QString title = browser_->documentTitle();
  setWindowTitle(title.isEmpty() ? tr("Help") : tr("Help - %1").arg(title));
  const QString path =
      url.path().startsWith(QLatin1Char('/')) ? url.path() : QLatin1Char('/') + url.path();
  for (QTreeWidgetItemIterator it(contents_); *it != nullptr; ++it) {
    if ((*it)->data(0, Qt::UserRole).toString() == path) {
      const QSignalBlocker block(contents_);
      contents_->setCurrentItem(*it);
      return;
    }
  }
  contents_->setCurrentItem(nullptr);
}

HelpWindow::~HelpWindow() = default;

bool HelpWindow::ShowTopic(const std::string& helpFile, int32_t contextId) {
  if (!file_ || file_->Path() != helpFile || !file_->IsOpen()) {
    file_ = std::make_shared<ChmFile>(helpFile);
    browser_->file = file_;
    LoadContents(helpFile);
  }
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
      Shown(browser_->source());
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
