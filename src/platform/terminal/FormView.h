// One form shown in the terminal (private to the terminal renderer): draws the form's controls
// from their properties at every turn of its loop, keeps what the runtime has no property for
// (the row a list's cursor is on, where the caret is in a text box, how far each is scrolled),
// and turns keys and mouse clicks into UserInput calls, never into property sets, so handlers
// see the events in the order the window gives them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/forms/FormObserver.h"
#include "platform/terminal/CellGeometry.h"
#include "platform/terminal/Screen.h"

namespace lumora::forms {
class ComboBox;
class CommandButton;
class ListView;
class TextBox;
}  // namespace lumora::forms

namespace lumora::terminal {

// The size the wizard needs and the line said when the terminal is smaller.
inline constexpr int kNeededCols = 80;
inline constexpr int kNeededRows = 24;
std::string TooSmallMessage(int cols, int rows);

class FormView : public forms::FormObserver {
 public:
  FormView(forms::Form& form, Screen& screen);
  ~FormView() override;
  FormView(const FormView&) = delete;
  FormView& operator=(const FormView&) = delete;

  // Runs until the form is unloaded or the session ends (a signal, the terminal gone).
  void Run();
  // Draws the form (or the size message) without showing it yet.
  void Draw();
  // Called once the first full screen has been shown.
  std::function<void()> onFirstScreen;

  void FormUnloaded(forms::Form& form) override;
  void ItemsChanged(forms::Control& control) override;

 private:
  struct ListState {
    int32_t cursor = 1;  // 1-based
    int32_t top = 1;
  };
  struct EditState {
    size_t line = 0, column = 0;  // the caret: a line and a byte offset in it
    size_t top = 0, left = 0;     // the first line and the first cell shown
  };

  void Handle(const Key& key);
  bool PressMnemonic(char letter);
  void Move(int step);  // Tab (1) and Shift-Tab (-1)
  void ListKey(forms::ListView& list, int code, int ch);
  void ComboKey(forms::ComboBox& combo, int code, int ch);
  void EditKey(forms::TextBox& box, int code, int ch);
  void OptionArrow(forms::Control& option, int step);
  void Click(int row, int col);
  void DropDown(forms::ComboBox& combo);
  void Wheel(int row, int col, int step);

  // The focus as drawn: the runtime's, else the first stop of the tab order.
  forms::Control* Focused() const;
  std::vector<forms::Control*> TabChain(bool withLabels = false) const;

  void DrawControl(forms::Control& control);
  void DrawCaption(const std::string& caption, int row, int col, int cells, Role role);
  void DrawButton(forms::CommandButton& button, const CellRect& at, bool focused, bool enabled);
  void DrawList(forms::ListView& list, const CellRect& at, bool focused);
  void DrawText(forms::TextBox& box, const CellRect& at, bool focused);
  ListState& StateOf(const forms::ListView& list);
  EditState& StateOf(const forms::TextBox& box);
  void PlaceCaret();

  forms::Form& form_;
  Screen& screen_;
  CellGeometry geometry_;
  bool unloaded_ = false;
  bool shownOnce_ = false;
  int caretRow_ = -1, caretCol_ = -1;
  std::unordered_map<const forms::ListView*, ListState> lists_;
  std::unordered_map<const forms::TextBox*, EditState> edits_;
};

}  // namespace lumora::terminal
