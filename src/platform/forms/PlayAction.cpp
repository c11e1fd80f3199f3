#include "platform/forms/PlayAction.h"

#include "contract/MessageText.h"
#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Form.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/TextBox.h"
#include "platform/forms/UserInput.h"

namespace lumora::forms {
namespace {

using Kind = ScriptAction::Kind;

// The action as the script wrote it, for messages ("click cmdNav(3)").
std::string ActionText(const ScriptAction& action) {
  static const char* const verbs[] = {"click", "tick", "untick", "choose", "type",
                                      "focus", "key",  "close",  "dump"};
  std::string text = verbs[static_cast<int>(action.kind)];
  if (!action.control.empty()) {
    text += " " + action.control;
    if (action.index >= 0) text += "(" + std::to_string(action.index) + ")";
  } else if (action.kind == Kind::Key) {
    text += " " + action.text;
  }
  return text;
}

}  // namespace

std::string PlayAction(Form& form, const ScriptAction& action) {
  InputOutcome outcome;
  if (action.kind == Kind::Close) {
    outcome = UserInput::CloseBox(form);
  } else if (action.kind == Kind::Key) {
    const int16_t code = action.text == "Escape" ? kKeyEscape
                         : action.text == "F1"   ? kKeyF1
                                                 : kKeyReturn;
    outcome = UserInput::Key(form, code);
  } else {
    Control* control = form.Find(action.control, action.index);
    const std::string shown = action.index >= 0
                                  ? action.control + "(" + std::to_string(action.index) + ")"
                                  : action.control;
    if (control == nullptr)
      return ActionText(action) + ": no control named " + shown + " on " + form.Name();
    auto wrongType = [&](const char* wanted) {
      return shown + " is a " + control->TypeName() + ", not " + wanted;
    };
    const std::string entry = "\"" + EscapeForMessage(action.text) + "\"";
    switch (action.kind) {
      case Kind::Click:
        if (dynamic_cast<CommandButton*>(control) == nullptr &&
            dynamic_cast<OptionButton*>(control) == nullptr &&
            dynamic_cast<CheckBox*>(control) == nullptr) {
          return wrongType("a button, option button or check box");
        }
        outcome = UserInput::Click(*control);
        break;
      case Kind::Focus:
        outcome = UserInput::Focus(*control);
        break;
      case Kind::Tick:
      case Kind::Untick: {
        auto* list = dynamic_cast<ListView*>(control);
        if (list == nullptr) return wrongType("a list view");
        const int32_t found = list->ListItems().FirstIndexOfText(action.text);
        if (found == 0) return shown + " has no entry " + entry;
        outcome = UserInput::Tick(*list, found, action.kind == Kind::Tick);
        break;
      }
      case Kind::Choose: {
        auto* combo = dynamic_cast<ComboBox*>(control);
        if (combo == nullptr) return wrongType("a combo box");
        int32_t index = action.number;
        if (index < 0) {
          for (int16_t i = 0; i < combo->ListCount(); ++i) {
            if (combo->List(i) == action.text) {
              index = i;
              break;
            }
          }
          if (index < 0) return shown + " has no entry " + entry;
        } else if (index >= combo->ListCount()) {
          return shown + " has no entry #" + std::to_string(index) + " (it holds " +
                 std::to_string(combo->ListCount()) + ")";
        }
        outcome = UserInput::Choose(*combo, static_cast<int16_t>(index));
        break;
      }
      case Kind::Type: {
        auto* box = dynamic_cast<TextBox*>(control);
        if (box == nullptr) return wrongType("a text box");
        outcome = UserInput::Type(*box, action.text);
        break;
      }
      default:
        break;
    }
  }
  return outcome ? std::string() : ActionText(action) + ": " + outcome.reason;
}

}  // namespace lumora::forms
