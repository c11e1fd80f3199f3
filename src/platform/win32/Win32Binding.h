// One control of a shown form and the system control that shows it (private to the Win32
// renderer). A binding per control type makes its window once, shows the runtime's values in it
// and turns the notifications the window sends its parent into UserInput calls; MakeWin32Binding
// picks the binding from the control's type. Every window is a child of the form's window
// (containers are drawn beneath their controls), so notifications all reach one window procedure.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace lumora::forms {

class Control;
class Win32FormWindow;

class Win32Binding {
 public:
  Win32Binding(Win32FormWindow& window, Control& control) : window_(window), control_(control) {}
  virtual ~Win32Binding() = default;
  Win32Binding(const Win32Binding&) = delete;
  Win32Binding& operator=(const Win32Binding&) = delete;

  // Makes the window as a child of `parent` with control identifier `id`.
  HWND Make(HWND parent, int id);
  HWND Handle() const { return hwnd_; }
  Control& GetControl() const { return control_; }

  // Shows every property of the control.
  void ApplyAll();
  // Position and size (twips of its containers added up, scaled by the DPI) and visibility: a
  // control is shown when it and each of its containers are visible and not off their container.
  void ApplyGeometry();
  void ApplyFont();
  virtual void ApplyCaption() {}
  virtual void ApplyText() {}
  virtual void ApplyValue() {}
  virtual void ApplyItems() {}
  virtual void ApplyPicture() {}

  // A notification from the window (WM_COMMAND's code, or WM_NOTIFY's header), fed to the runtime.
  virtual void OnCommand(int /*code*/) {}
  virtual LRESULT OnNotify(NMHDR* /*header*/) { return 0; }
  // Whether Enter belongs to the window (a new line) rather than to the form.
  virtual bool KeepsEnter() const { return false; }
  // Containers, labels and pictures lie beneath the controls on them.
  virtual bool Beneath() const { return false; }

 protected:
  struct Shape {
    const wchar_t* windowClass;
    DWORD style;
    DWORD exStyle = 0;
  };
  virtual Shape GetShape() const = 0;
  // Twips the window has below the control's height (a combo box's drop-down list).
  virtual int32_t DroppedHeight() const { return 0; }
  // Sets the window's text unless it already shows `text`.
  void SetText(const std::string& text);

  Win32FormWindow& window_;
  Control& control_;
  HWND hwnd_ = nullptr;
};

// The binding for `control`'s type, or null for a control without a shape (a component).
std::unique_ptr<Win32Binding> MakeWin32Binding(Win32FormWindow& window, Control& control);

}  // namespace lumora::forms
