// The one way a person's actions enter the forms runtime. Every renderer (the script driver, a
// window renderer) calls these and nothing else. Each entry point first checks that a person
// could do it (the control is reachable, the entry exists), then moves the focus where a
// person's action moves it, then raises the same events in the same order as the classic
// runtime: a text box being left sees LostFocus before the button's Click; ticking a list entry
// raises ItemCheck and then the list's Click. Keys that handlers queued with Form::SendKeys are
// delivered before the entry point returns. A failure that escapes an event handler is reported
// through the shared error reporter as "<form>:<control>_<Event>" and goes no further.
#pragma once

#include <cstdint>
#include <string>

namespace lumora::forms {

class Control;
class Form;
class ListView;
class ComboBox;
class TextBox;

struct InputOutcome {
  bool accepted = true;
  std::string reason;  // why a person could not do it, when not accepted
  explicit operator bool() const { return accepted; }
  static InputOutcome Refused(std::string why) { return {false, std::move(why)}; }
};

class UserInput {
 public:
  // Clicks a button, option button, check box (or any clickable control).
  static InputOutcome Click(Control& control);
  // Sets or clears the check box of list item `index` (1-based).
  static InputOutcome Tick(ListView& list, int32_t index, bool checked);
  // Picks entry `index` (0-based) of a combo box.
  static InputOutcome Choose(ComboBox& combo, int16_t index);
  // Moves into the text box and replaces its whole text (one Change when it differs).
  static InputOutcome Type(TextBox& box, const std::string& text);
  static InputOutcome Focus(Control& control);
  // Presses a key on the form (KeyPreview: the form's KeyDown first, then the focused control's;
  // Enter then clicks the focused command button, or else the Default button, and Escape the
  // Cancel button, if the key is still there). F1 then opens help at the focused control's
  // context (or its containers', or the form's).
  static InputOutcome Key(Form& form, int16_t keyCode, int16_t shift = 0);
  // Closes the window with its close box (QueryUnload mode 0).
  static InputOutcome CloseBox(Form& form);
};

}  // namespace lumora::forms
