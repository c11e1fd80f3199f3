#include "platform/forms/UserInput.h"

#include "contract/ProcessState.h"
#include "contract/Trap.h"
#include "platform/forms/Application.h"
#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Form.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/TextBox.h"

namespace lumora::forms {
namespace {

// Runs one event of a person's action. A failure that the handler did not trap goes no further
// than here: it is reported as "<form>:<control>_<Event>".
template <class Body>
void Raised(const Control& source, const char* event, Body&& body) {
  const Form* form = source.ParentForm();
  std::string procedure = form != nullptr ? form->Name() + ":" : std::string();
  procedure += &source == form ? std::string("Form") : source.Name();
  procedure += "_";
  procedure += event;
  try {
    Trap(component::SharedErrorReporter(), procedure, std::forward<Body>(body));
  } catch (...) {
    // No host to report to: the failure still stops here.
  }
}

void MoveFocusTo(Control& control) {
  Form* form = control.ParentForm();
  if (form == nullptr || form->ActiveControl() == &control) return;
  Raised(control, "GotFocus", [&] { form->MoveFocus(&control); });
}

// Delivers the keys that handlers queued with SendKeys, as the event loop would next.
InputOutcome Settle(Form* form, InputOutcome outcome = {}) {
  int16_t key = 0;
  while (form != nullptr && form->IsShown() && form->TakePendingKey(key))
    UserInput::Key(*form, key);
  return outcome;
}

InputOutcome CheckReach(const Control& control) {
  std::string why;
  if (!control.IsReachable(&why)) return InputOutcome::Refused(why);
  return {};
}

}  // namespace

InputOutcome UserInput::Click(Control& control) {
  if (InputOutcome reach = CheckReach(control); !reach) return reach;
  Form* form = control.ParentForm();
  if (control.CanHaveFocus()) MoveFocusTo(control);
  if (!form->IsLoaded()) return {};
  if (auto* option = dynamic_cast<OptionButton*>(&control)) {
    Raised(control, "Click", [&] {
      if (option->Value()) {
        if (option->OnClick) option->OnClick();
      } else {
        option->SetValue(true);
      }
    });
  } else if (auto* check = dynamic_cast<CheckBox*>(&control)) {
    Raised(control, "Click",
           [&] { check->SetValue(check->Value() == kChecked ? kUnchecked : kChecked); });
  } else {
    Raised(control, "Click", [&] {
      if (control.OnClick) control.OnClick();
    });
  }
  return Settle(form);
}

InputOutcome UserInput::Tick(ListView& list, int32_t index, bool checked) {
  if (InputOutcome reach = CheckReach(list); !reach) return reach;
  if (!list.Checkboxes()) return InputOutcome::Refused(list.DisplayName() + " has no check boxes");
  if (index < 1 || index > list.ListItems().Count()) {
    return InputOutcome::Refused(list.DisplayName() + " has no entry " + std::to_string(index));
  }
  Form* form = list.ParentForm();
  MoveFocusTo(list);
  if (!form->IsLoaded()) return {};
  ListItem& item = list.ListItems().Item(index);
  if (item.Checked() == checked) return Settle(form);
  item.SetChecked(checked);
  Raised(list, "ItemCheck", [&] {
    if (list.OnItemCheck) list.OnItemCheck(item);
  });
  if (form->IsLoaded()) {
    Raised(list, "Click", [&] {
      if (list.OnClick) list.OnClick();
    });
  }
  return Settle(form);
}

InputOutcome UserInput::Choose(ComboBox& combo, int16_t index) {
  if (InputOutcome reach = CheckReach(combo); !reach) return reach;
  if (index < 0 || index >= combo.ListCount()) {
    return InputOutcome::Refused(combo.DisplayName() + " has no entry #" + std::to_string(index));
  }
  Form* form = combo.ParentForm();
  MoveFocusTo(combo);
  if (!form->IsLoaded()) return {};
  Raised(combo, "Click", [&] {
    if (combo.ListIndex() != index) {
      combo.SetListIndex(index);  // raises Click
    } else if (combo.OnClick) {
      combo.OnClick();  // a person's choice clicks even when it chooses the same entry
    }
  });
  return Settle(form);
}

InputOutcome UserInput::Type(TextBox& box, const std::string& text) {
  if (InputOutcome reach = CheckReach(box); !reach) return reach;
  if (box.Locked()) return InputOutcome::Refused(box.DisplayName() + " is read-only");
  Form* form = box.ParentForm();
  MoveFocusTo(box);
  if (!form->IsLoaded()) return {};
  Raised(box, "Change", [&] { box.SetText(text); });
  return Settle(form);
}

InputOutcome UserInput::Focus(Control& control) {
  if (InputOutcome reach = CheckReach(control); !reach) return reach;
  if (!control.CanHaveFocus()) {
    return InputOutcome::Refused(control.DisplayName() + " cannot take the focus");
  }
  MoveFocusTo(control);
  return Settle(control.ParentForm());
}

InputOutcome UserInput::Key(Form& form, int16_t keyCode, int16_t shift) {
  if (!form.IsShown()) return InputOutcome::Refused("the window " + form.Name() + " is not shown");
  int16_t code = keyCode;
  if (form.KeyPreview() && form.OnKeyDown) {
    Raised(form, "KeyDown", [&] { form.OnKeyDown(code, shift); });
  }
  Control* focused = form.ActiveControl();
  if (form.IsLoaded() && code != 0 && focused != nullptr && focused->OnKeyDown) {
    Raised(*focused, "KeyDown", [&] { focused->OnKeyDown(code, shift); });
  }
  if (!form.IsLoaded() || code == 0) return Settle(&form);

  auto* focusedButton = dynamic_cast<CommandButton*>(form.ActiveControl());
  if (code == kKeyReturn && focusedButton != nullptr && focusedButton->IsReachable()) {
    // A focused button takes Enter for itself, as it takes Space.
    Raised(*focusedButton, "Click", [&] {
      if (focusedButton->OnClick) focusedButton->OnClick();
    });
  } else if (code == kKeyReturn || code == kKeyEscape) {
    for (Control* control : form.Controls()) {
      auto* button = dynamic_cast<CommandButton*>(control);
      if (button == nullptr || !button->IsReachable()) continue;
      if ((code == kKeyReturn && button->Default()) || (code == kKeyEscape && button->Cancel())) {
        Raised(*button, "Click", [&] {
          if (button->OnClick) button->OnClick();
        });
        break;
      }
    }
  } else if (code == kKeyF1) {
    // Help at the first context found from the focused control outwards, else the form's.
    int32_t context = 0;
    for (const Control* c = form.ActiveControl(); c != nullptr && context == 0;
         c = c->Container()) {
      context = c->HelpContextID();
    }
    if (context == 0) context = form.HelpContextID();
    if (!App().HelpFile().empty()) App().GetPresenter().ShowHelp(App().HelpFile(), context);
  }
  return Settle(&form);
}

InputOutcome UserInput::CloseBox(Form& form) {
  if (!form.IsLoaded()) return InputOutcome::Refused("the window " + form.Name() + " is closed");
  Raised(form, "QueryUnload", [&] { form.Unload(kFormControlMenu); });
  return Settle(&form);
}

}  // namespace lumora::forms
