#include "platform/qt/WindowRenderer.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/forms/Form.h"
#include "platform/qt/FormWindow.h"
#include "platform/qt/HelpWindow.h"
#include "platform/qt/WindowWatcher.h"

namespace lumora::forms {

struct WindowRenderer::Private {
  FormWindow* window = nullptr;  // the window shown modally now (innermost), or null
  QPointer<HelpWindow> help;
  WindowWatcher* watcher = nullptr;
};

WindowRenderer::WindowRenderer() : d_(std::make_unique<Private>()) {}

WindowRenderer::~WindowRenderer() {
  delete d_->help.data();
}

void WindowRenderer::RunModal(Form& form) {
  if (!form.IsLoaded()) return;
  FormWindow window(form);
  FormWindow* outer = d_->window;
  d_->window = &window;

  if (d_->watcher != nullptr) d_->watcher->WindowShown(window);
  window.Exec();
  if (d_->watcher != nullptr) d_->watcher->WindowClosed(window);
  d_->window = outer;
  // The loop may end without the form having unloaded (the application quit): the session ends.
  if (form.IsLoaded()) form.Unload(kAppWindows);
}

int16_t WindowRenderer::MsgBox(const std::string& prompt, int32_t buttons,
                               const std::string& title) {
  QWidget* parent = d_->window != nullptr ? &d_->window->Dialog() : QApplication::activeWindow();
  QMessageBox box(parent);
  box.setObjectName(QStringLiteral("msgBox"));
  box.setWindowTitle(title.empty() ? QApplication::applicationName()
                                   : QString::fromStdString(title));
  box.setText(QString::fromStdString(prompt));
  box.setTextFormat(Qt::PlainText);
  switch (buttons & 0x70) {  // classic icon bits
    case 16:
      box.setIcon(QMessageBox::Critical);
      break;
    case 32:
      box.setIcon(QMessageBox::Question);
      break;
    case 48:
      box.setIcon(QMessageBox::Warning);
      break;
    case 64:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      box.setIcon(QMessageBox::NoIcon);
  }
  // Classic button sets (the low bits) and the classic answers.
  struct Choice {
    QMessageBox::StandardButton button;
    int16_t answer;
  };
  std::vector<Choice> choices;
  switch (buttons & 0x7) {
    case 1:
      choices = {{QMessageBox::Ok, 1}, {QMessageBox::Cancel, 2}};
      break;
    case 2:
      choices = {{QMessageBox::Abort, 3}, {QMessageBox::Retry, 4}, {QMessageBox::Ignore, 5}};
      break;
    case 3:
      choices = {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}, {QMessageBox::Cancel, 2}};
      break;
    case 4:
      choices = {{QMessageBox::Yes, 6}, {QMessageBox::No, 7}};
      break;
    case 5:
      choices = {{QMessageBox::Retry, 4}, {QMessageBox::Cancel, 2}};
      break;
    default:
      choices = {{QMessageBox::Ok, kVbOK}};
  }
  QMessageBox::StandardButtons set;
  for (const Choice& choice : choices) set |= choice.button;
  box.setStandardButtons(set);
  box.setDefaultButton(choices.front().button);
  if (d_->watcher != nullptr) d_->watcher->MessageBoxShown(box);
  const int chosen = box.exec();
  for (const Choice& choice : choices) {
    if (chosen == choice.button) return choice.answer;
  }
  return choices.back().answer;  // the window closed otherwise: its escape answer
}

void WindowRenderer::ShowHelp(const std::string& helpFile, int32_t contextId) {
  QWidget* parent = d_->window != nullptr ? &d_->window->Dialog() : nullptr;
  if (d_->help.isNull() || d_->help->parentWidget() != parent) {
    delete d_->help.data();
    d_->help = new HelpWindow(parent);
  }
  const bool shown = d_->help->ShowTopic(helpFile, contextId);
  if (d_->watcher != nullptr) d_->watcher->HelpShown(*d_->help, contextId, shown);
}

void WindowRenderer::Watch(WindowWatcher* watcher) {
  d_->watcher = watcher;
}

// --- Display and application -------------------------------------------------------------------

struct GuiApplication::Owned {
  int argc = 1;
  char name[8] = "lumora";
  char* argv[2] = {name, nullptr};
  std::unique_ptr<QApplication> app;
};

GuiApplication::GuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  owned_ = std::make_unique<Owned>();
  owned_->app = std::make_unique<QApplication>(owned_->argc, owned_->argv);
  QApplication::setApplicationName(QStringLiteral("Lumora"));
}

GuiApplication::~GuiApplication() = default;

void WindowRenderer::RunBusy(const std::string& what, const CancellableTask& task) {
  std::atomic<bool> cancel{false};
  std::atomic<bool> done{false};
  QWidget* parent = d_->window != nullptr ? &d_->window->Dialog() : QApplication::activeWindow();
  QProgressDialog dialog(QString::fromStdString(what), QStringLiteral("Cancel"), 0, 0, parent);
  dialog.setObjectName(QStringLiteral("busyDialog"));
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setAutoReset(false);
  dialog.setAutoClose(false);
  dialog.cancel();  // no showing of its own: shown below when the task takes a moment
  dialog.reset();
  QObject::connect(&dialog, &QProgressDialog::canceled, [&cancel] { cancel = true; });
  QApplication::setOverrideCursor(Qt::BusyCursor);
  std::thread worker([&] {
    task(cancel);
    done = true;
  });
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done) loop.quit();
  });
  poll.start(20);
  QTimer::singleShot(400, &dialog, [&] {
    if (!done && !cancel) dialog.show();
  });
  if (!done) loop.exec();
  worker.join();
  QApplication::restoreOverrideCursor();
}

}  // namespace lumora::forms
