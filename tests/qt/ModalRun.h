// Runs a form modally in the window renderer while a test acts on the window: the steps run
// from the event loop once the dialog is up; whatever they leave open is closed afterwards so
// that a failing test never hangs.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/forms/Application.h"
#include "platform/forms/Form.h"
#include "platform/qt/WindowRenderer.h"

namespace lumora::testing {

class ModalRun {
 public:
  ModalRun() : renderer_(std::make_shared<forms::WindowRenderer>()) {
    forms::App().SetModalDriver(renderer_);
    forms::App().SetPresenter(renderer_);
  }
  ~ModalRun() {
    forms::App().SetModalDriver(nullptr);
    forms::App().SetPresenter(nullptr);
  }

  // Runs `show` (which shows a form modally and returns when it has closed) and, once the
  // modal window is up, `steps` with its dialog. Every form still loaded afterwards is unloaded.
  void Run(const std::function<void(QDialog&)>& steps, const std::function<void()>& show) {
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (dialog != nullptr) {
        (void)QTest::qWaitForWindowExposed(dialog);
        steps(*dialog);
      } else {
        ADD_FAILURE() << "no modal window is shown";
      }
      for (int16_t i = forms::App().FormCount(); i > 0; --i) {
        forms::Form& loaded = forms::App().FormAt(static_cast<int16_t>(i - 1));
        if (loaded.IsLoaded()) loaded.Unload(forms::kAppWindows);
      }
    });
    show();
  }
  // Shows `form` modally and runs `steps` with its dialog.
  void Run(forms::Form& form, const std::function<void(QDialog&)>& steps) {
    Run(steps, [&] { form.Show(forms::ShowMode::Modal); });
  }

 private:
  std::shared_ptr<forms::WindowRenderer> renderer_;
};

// The widget of type T named `name` ("cmdNav(3)") in `dialog`; fails the test when missing.
template <class T>
T* Widget(QDialog& dialog, const char* name) {
  T* widget = dialog.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(widget, nullptr) << "no " << name << " in the window";
  return widget;
}

}  // namespace lumora::testing
