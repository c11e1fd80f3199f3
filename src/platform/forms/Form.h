// A form: the window, its controls in form order (the order of the design), the focus, and the
// classic lifetime Load -> Show -> QueryUnload/Unload. The form owns its controls. While loaded
// it is a member of the application's loaded-forms collection (Application.h). Show(Modal) hands
// the form to the application's modal driver and returns when the form has been unloaded.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "contract/Failure.h"
#include "platform/forms/Control.h"

namespace lumora::forms {

class FormObserver;

enum class ShowMode : int16_t { Modeless = 0, Modal = 1 };

// Classic unload modes, as QueryUnload receives them.
enum UnloadMode : int16_t {
  kFormControlMenu = 0,  // the close box or the window's control menu
  kFormCode = 1,         // Unload in code
  kAppWindows = 2,       // the session is ending
  kAppTaskManager = 3,
};

// Classic key codes the runtime knows by name.
enum KeyCode : int16_t { kKeyReturn = 13, kKeyEscape = 27, kKeyF1 = 112 };

class Form : public Control {
 public:
  explicit Form(std::string name);
  ~Form() override;

  const char* TypeName() const override { return "Form"; }
  bool IsContainer() const override { return true; }
  std::string Caption() const override { return caption_; }
  void SetCaption(std::string caption) override;

  // The width in twips that `text` takes in the form's font. Without a display the runtime
  // measures with fixed proportions of the font's size (a space a quarter of an em, most
  // letters about half of one), close to the classic sans-serif faces.
  int32_t TextWidth(std::string_view text) const;

  // KeyPreview: the form's KeyDown sees every key before the focused control.
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool on);

  // --- Controls, in form order ----------------------------------------------------------------
  // Adds a control inside `container` (null: on the form itself) and returns it. Fails with 5
  // when a control of that name and index already exists or the container is not one.
  template <class T>
  T& Add(std::unique_ptr<T> control, Control* container = nullptr) {
    T& added = *control;
    Adopt(std::move(control), container);
    return added;
  }
  const std::vector<Control*>& Controls() const { return order_; }
  int16_t ControlCount() const;
  // The control of that name (and index for an array member), or null.
  Control* Find(std::string_view name, int16_t index = kNoIndex) const;
  // The same, failing with 340 ("Control array element 'i' doesn't exist") or 13 when the
  // control is missing or of another type.
  template <class T>
  T& Get(std::string_view name, int16_t index = kNoIndex) const {
    T* typed = dynamic_cast<T*>(&Require(name, index));
    if (typed == nullptr) Raise(13);
    return *typed;
  }
  // The indexes of a control array, ascending.
  std::vector<int16_t> ArrayIndexes(std::string_view name) const;

  // --- Lifetime -------------------------------------------------------------------------------
  // Raises Load (once) and enters the loaded-forms collection. Loading a loaded form does nothing.
  void Load();
  bool IsLoaded() const { return loaded_; }
  bool IsShown() const { return loaded_ && shown_; }
  // Loads if needed, makes the form visible and raises Activate the first time it is shown.
  // Modal: then runs the application's modal driver, which returns once the form is unloaded
  // (fails with 5 when no driver is installed).
  void Show(ShowMode mode = ShowMode::Modeless);
  // Raises QueryUnload(cancel, mode), then Unload(cancel); either may cancel. Then the form
  // leaves the loaded-forms collection and its observers hear FormUnloaded. Returns whether the
  // form was unloaded. Unloading a form that is not loaded does nothing and returns true.
  bool Unload(int16_t unloadMode = kFormCode);

  // --- Focus and keys -------------------------------------------------------------------------
  Control* ActiveControl() const { return active_; }
  // Moves the focus: LostFocus on the control left, then GotFocus on `to` (null: nothing has it).
  void MoveFocus(Control* to);
  // Queues a key press for the form, as the classic SendKeys does: it is delivered (see
  // UserInput::Key) after the event that queued it has returned.
  void SendKeys(int16_t keyCode) { pendingKeys_.push_back(keyCode); }
  bool TakePendingKey(int16_t& keyCode);

  // --- The dump ---------------------------------------------------------------------------------
  // What a dump (FormDump.h) shows of a text box's or combo box's text: the form that knows its
  // texts may hold secrets sets a filter that masks them; none by default.
  using TextFilter = std::function<std::string(std::string_view)>;
  void SetDumpFilter(TextFilter filter) { dumpFilter_ = std::move(filter); }
  std::string DumpedText(std::string_view text) const {
    return dumpFilter_ ? dumpFilter_(text) : std::string(text);
  }

  // --- Observers ------------------------------------------------------------------------------
  void AddObserver(FormObserver* observer);
  void RemoveObserver(FormObserver* observer);
  const std::vector<FormObserver*>& Observers() const { return observers_; }

  // --- Events (OnKeyDown, OnClick, ... come from Control) ----------------------------------
  std::function<void()> OnLoad;
  std::function<void()> OnActivate;
  std::function<void(int16_t& cancel, int16_t unloadMode)> OnQueryUnload;
  std::function<void(int16_t& cancel)> OnUnload;

 private:
  void Adopt(std::unique_ptr<Control> control, Control* container);
  Control& Require(std::string_view name, int16_t index) const;

  std::string caption_;
  bool keyPreview_ = false;
  bool loaded_ = false;
  bool shown_ = false;
  bool activated_ = false;
  std::vector<std::unique_ptr<Control>> owned_;
  std::vector<Control*> order_;
  Control* active_ = nullptr;
  std::deque<int16_t> pendingKeys_;
  std::vector<FormObserver*> observers_;
  TextFilter dumpFilter_;
};

}  // namespace lumora::forms
