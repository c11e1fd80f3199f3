// The Win32 side of one shown form (private to the Win32 renderer): the top-level window, one
// binding per control (Win32Binding.h) and the two directions between them. Runtime -> windows:
// FormObserver calls reach the control's binding, which updates its window while the form
// window is following the runtime, so the notifications that raises are not fed back. Windows ->
// runtime: clicks, ticks, choices, typing, focus moves and the keys F1, Enter and Escape become
// UserInput calls through Feed; the rest of the dialog keyboard (Tab, arrows, access keys) is
// the system's, through IsDialogMessage. Positions are twips scaled by the window's DPI.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "platform/forms/Font.h"
#include "platform/forms/FormObserver.h"

namespace lumora::forms {

class Control;
class Form;
class Win32Binding;

class Win32FormWindow : public FormObserver {
 public:
  // Makes the window (hidden) with every control's window; `owner` owns it (null: none).
  Win32FormWindow(Form& form, HWND owner);
  ~Win32FormWindow() override;
  Win32FormWindow(const Win32FormWindow&) = delete;
  Win32FormWindow& operator=(const Win32FormWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  Form& GetForm() { return form_; }
  // Pixels for a length in twips at the window's DPI.
  int Px(int32_t twips) const;
  // The GDI font for a form font at the window's DPI (kept for the window's life).
  HFONT FontOf(const Font& font);

  // Shows the window and runs its messages until the form is unloaded.
  void Exec();
  // Runs a person's action (a UserInput call) unless the window is following the runtime or
  // closing; afterwards `control` is shown from the runtime again in case it refused the action.
  void Feed(Control& control, const std::function<void()>& action);
  bool Following() const { return following_; }

  // FormObserver
  void PropertyChanged(Control& control, Property property) override;
  void ItemsChanged(Control& control) override;
  void FocusChanged(Form& form, Control* previous, Control* current) override;
  void FormUnloaded(Form& form) override;

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // A key the form acts on (F1, Enter, Escape) before the dialog keyboard sees it.
  bool PreTranslate(const MSG& message);
  void Build(Control& container, std::vector<Win32Binding*>& made);
  Win32Binding* BindingOf(const Control& control) const;
  Win32Binding* BindingOf(HWND hwnd) const;
  void ApplyForm();
  void ApplyAllGeometry();
  void ApplyFocus();
  // A focus move the person made, fed to the runtime.
  void NoticeFocus();

  Form& form_;
  HWND hwnd_ = nullptr;
  std::unordered_map<const Control*, std::unique_ptr<Win32Binding>> bindings_;
  std::unordered_map<HWND, Win32Binding*> byHandle_;
  std::map<std::tuple<std::string, double, bool, bool, int>, HFONT> fonts_;
  HWND lastFocus_ = nullptr;
  int dpi_ = 96;
  bool following_ = false;
  bool closing_ = false;
};

}  // namespace lumora::forms
