// Where the focus is and where it goes in the terminal: the form's tab order (forms::TabOrder)
// of the controls a person sees and can reach, the focus as it looks before anything has it,
// and the control a mnemonic letter reaches.
#pragma once

#include <vector>

namespace lumora::forms {
class Control;
class Form;
}  // namespace lumora::forms

namespace lumora::terminal {

// The tab stops of `form`; with `withLabels`, the labels shown too, in their places (a label's
// mnemonic moves the focus to the stop after it).
std::vector<forms::Control*> TabChain(const forms::Form& form, bool withLabels = false);
// The focus as a person sees it: the runtime's, else the first stop (null: there is none).
forms::Control* ShownFocus(const forms::Form& form);

struct MnemonicTarget {
  forms::Control* control = nullptr;  // null: no control has that letter
  bool click = false;                 // click it (a button); else move the focus to it
};
// The control the mnemonic `letter` (lower case) reaches.
MnemonicTarget FindMnemonic(const forms::Form& form, char letter);

}  // namespace lumora::terminal
