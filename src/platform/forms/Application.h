// The application around the forms: the loaded-forms collection (index 0 to count - 1, in load
// order), the help file, the presenter for message boxes and help, and the modal driver. One
// instance per process (App()); a host or test installs its presenter and driver before
// showing a form.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms/ModalDriver.h"
#include "platform/forms/Presenter.h"

namespace lumora::forms {

class Form;

class Application {
 public:
  // The loaded forms: Count and Item(0 .. Count - 1), like the classic Forms collection.
  int16_t FormCount() const;
  Form& FormAt(int16_t index) const;  // fails with 9 outside the collection

  // The help file that F1 opens (the classic App.HelpFile).
  const std::string& HelpFile() const { return helpFile_; }
  void SetHelpFile(std::string path) { helpFile_ = std::move(path); }

  // Never null: a SilentPresenter until one is installed. Passing null restores it.
  Presenter& GetPresenter() const { return *presenter_; }
  void SetPresenter(std::shared_ptr<Presenter> presenter);
  // Null until a driver is installed.
  ModalDriver* GetModalDriver() const { return modalDriver_.get(); }
  void SetModalDriver(std::shared_ptr<ModalDriver> driver) { modalDriver_ = std::move(driver); }

  // Called by Form::Load and Form::Unload.
  void FormLoaded(Form& form);
  void FormUnloaded(Form& form);

 private:
  std::vector<Form*> forms_;
  std::string helpFile_;
  std::shared_ptr<Presenter> presenter_ = std::make_shared<SilentPresenter>();
  std::shared_ptr<ModalDriver> modalDriver_;
};

Application& App();

// Makes App() answer `shared` in this copy of the forms runtime (null: its own application
// again). A renderer built into a library of its own carries a copy of the runtime and must work
// on the application of the component whose forms it shows.
void ShareApplication(Application* shared);

// The classic MsgBox through the application's presenter; returns the button chosen.
int16_t MsgBox(const std::string& prompt, int32_t buttons = kVbOKOnly,
               const std::string& title = {});

}  // namespace lumora::forms
