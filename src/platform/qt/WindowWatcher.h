// What a program that drives the window renderer from outside (the project's screenshot and
// first-frame tools) may watch: each form window before it runs and when it ends, each message
// box before it is shown and each help topic once shown. The renderer never owns a watcher; the
// product installs none, so nothing here changes what a person sees.
#pragma once

#include <cstdint>

class QMessageBox;
class QWidget;

namespace lumora::forms {

class FormWindow;

class WindowWatcher {
 public:
  virtual ~WindowWatcher() = default;
  // The window of a form about to run modally (its onFirstFrame may be set here).
  virtual void WindowShown(FormWindow&) {}
  // The same window once it has stopped running, just before it goes.
  virtual void WindowClosed(FormWindow&) {}
  // A message box about to run modally; the watcher may answer it.
  virtual void MessageBoxShown(QMessageBox&) {}
  // The help window after it was asked for `topic`; `found`: the file had that topic.
  virtual void HelpShown(QWidget&, int32_t /*topic*/, bool /*found*/) {}
};

}  // namespace lumora::forms
