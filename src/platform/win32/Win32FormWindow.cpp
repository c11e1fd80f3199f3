#include "platform/win32/Win32FormWindow.h"

#include <windows.h>
// (after windows.h)
#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "contract/WideText.h"
#include "platform/forms/Form.h"
#include "platform/forms/UserInput.h"
#include "platform/win32/Win32Binding.h"
#include "platform/win32/Win32Dpi.h"

namespace lumora::forms {
namespace {

constexpr const wchar_t* kWindowClass = L"LumoraForm";

void RegisterWindowClass(WNDPROC procedure) {
  static const bool registered = [procedure] {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
}

// The classic key code of a key the form acts on itself (F1, Escape, Enter), or 0.
int16_t ClassicKey(WPARAM key) {
  switch (key) {
    case VK_F1:
      return kKeyF1;
    case VK_ESCAPE:
      return kKeyEscape;
    case VK_RETURN:
      return kKeyReturn;
    default:
      return 0;
  }
}

// Sets `flag` for the life of the object.
class FollowingScope {
 public:
  explicit FollowingScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~FollowingScope() { flag_ = was_; }
  FollowingScope(const FollowingScope&) = delete;
  FollowingScope& operator=(const FollowingScope&) = delete;

 private:
  bool& flag_;
  bool was_;
};

// Not WS_CLIPCHILDREN: frames are child windows that do not paint their inside, so the form
// paints the face beneath them.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

}  // namespace

Win32FormWindow::Win32FormWindow(Form& form, HWND owner) : form_(form) {
  BecomeDpiAware();
  RegisterWindowClass(&Win32FormWindow::Procedure);
  hwnd_ = CreateWindowExW(kExStyle, kWindowClass, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100,
                          100, owner, nullptr, GetModuleHandleW(nullptr), this);
  dpi_ = DpiOf(hwnd_);
  {
    const FollowingScope following(following_);
    std::vector<Win32Binding*> made;
    Build(form_, made);
    // Frames, labels and pictures go beneath the controls on them, outer ones lowest; the
    // others keep their order, which is the tab order.
    for (auto at = made.rbegin(); at != made.rend(); ++at) {
      if ((*at)->Beneath()) {
        SetWindowPos((*at)->Handle(), HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
    }
    ApplyForm();
  }
  form_.AddObserver(this);
}

Win32FormWindow::~Win32FormWindow() {
  form_.RemoveObserver(this);
  if (hwnd_ != nullptr) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  for (const auto& [key, font] : fonts_) DeleteObject(font);
}

int Win32FormWindow::Px(int32_t twips) const {
  return static_cast<int>(std::lround(static_cast<double>(twips) * dpi_ / 1440.0));
}

HFONT Win32FormWindow::FontOf(const Font& font) {
  const auto key = std::make_tuple(font.name, font.size, font.bold, font.italic, dpi_);
  auto [at, added] = fonts_.try_emplace(key, nullptr);
  if (added) {
    const int height = -static_cast<int>(std::lround(font.size * dpi_ / 72.0));
    at->second =
        CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, font.italic, FALSE, FALSE,
                    DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                    DEFAULT_PITCH | FF_DONTCARE, Widen(font.name).c_str());
  }
  return at->second;
}

Win32Binding* Win32FormWindow::BindingOf(const Control& control) const {
  auto found = bindings_.find(&control);
  return found == bindings_.end() ? nullptr : found->second.get();
}

Win32Binding* Win32FormWindow::BindingOf(HWND hwnd) const {
  // A control's own child windows (a combo box's parts) count as the control.
  for (HWND at = hwnd; at != nullptr && at != hwnd_; at = GetParent(at)) {
    auto found = byHandle_.find(at);
    if (found != byHandle_.end()) return found->second;
  }
  return nullptr;
}

// --- Building -----------------------------------------------------------------------------------

void Win32FormWindow::Build(Control& container, std::vector<Win32Binding*>& made) {
  // Depth first through the containers, siblings by TabIndex: the windows' order is the tab
  // order the dialog keyboard follows. A run of option buttons is one group for the arrow keys.
  std::vector<Control*> children = container.Children();
  std::stable_sort(children.begin(), children.end(), [](const Control* a, const Control* b) {
    return a->TabIndex() < b->TabIndex();
  });
  bool afterOption = false;
  for (Control* child : children) {
    std::unique_ptr<Win32Binding> binding = MakeWin32Binding(*this, *child);
    if (binding == nullptr) continue;  // components have no shape
    const int id = 1000 + static_cast<int>(bindings_.size());
    HWND handle = binding->Make(hwnd_, id);
    if (handle == nullptr) continue;
    const bool option = std::string_view(child->TypeName()) == "OptionButton";
    if (!(option && afterOption)) {
      SetWindowLongW(handle, GWL_STYLE, GetWindowLongW(handle, GWL_STYLE) | WS_GROUP);
    }
    afterOption = option;
    Win32Binding& shown = *binding;
    byHandle_[handle] = &shown;
    bindings_[child] = std::move(binding);
    made.push_back(&shown);
    shown.ApplyAll();
    if (child->IsContainer()) Build(*child, made);
  }
}

// --- Runtime to window ------------------------------------------------------------------------

void Win32FormWindow::ApplyForm() {
  SetWindowTextW(hwnd_, Widen(form_.Caption()).c_str());
  EnableWindow(hwnd_, form_.Enabled());
  // The client area is what the form's controls cover; the form's own Width and Height
  // include the frame the system draws.
  int32_t right = 0, bottom = 0;
  for (const Control* child : form_.Children()) {
    if (BindingOf(*child) == nullptr) continue;
    right = std::max(right, child->Left() + child->Width());
    bottom = std::max(bottom, child->Top() + child->Height());
  }
  if (right <= 0) right = form_.Width();
  if (bottom <= 0) bottom = form_.Height();
  RECT frame{0, 0, std::max(1, Px(right)), std::max(1, Px(bottom))};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32FormWindow::ApplyAllGeometry() {
  for (const auto& [control, binding] : bindings_) binding->ApplyGeometry();
  ApplyForm();
}

void Win32FormWindow::ApplyFocus() {
  Control* active = form_.ActiveControl();
  Win32Binding* binding = active != nullptr ? BindingOf(*active) : nullptr;
  if (binding == nullptr || BindingOf(GetFocus()) == binding ||
      !IsWindowVisible(binding->Handle())) {
    return;
  }
  const FollowingScope following(following_);
  SetFocus(binding->Handle());
  lastFocus_ = GetFocus();
}

void Win32FormWindow::PropertyChanged(Control& control, Property property) {
  if (hwnd_ == nullptr || closing_) return;
  const FollowingScope following(following_);
  if (&control == &form_) return ApplyForm();
  Win32Binding* binding = BindingOf(control);
  if (binding == nullptr) return;
  switch (property) {
    case Property::Left:
    case Property::Top:
    case Property::Width:
    case Property::Height:
    case Property::Visible:
      ApplyAllGeometry();
      break;
    case Property::Enabled:
      EnableWindow(binding->Handle(), control.Enabled());
      break;
    case Property::Caption:
      binding->ApplyCaption();
      break;
    case Property::Text:
      binding->ApplyText();
      break;
    case Property::Value:
    case Property::ListIndex:
    case Property::Default:
    case Property::Locked:
      binding->ApplyValue();
      break;
    case Property::Font:
      binding->ApplyFont();
      break;
    case Property::Picture:
      binding->ApplyPicture();
      break;
    case Property::View:
    case Property::HideColumnHeaders:
    case Property::Checkboxes:
      binding->ApplyItems();
      break;
    default:  // Tag, HelpContextID, Cancel, TabIndex, ZOrder, KeyPreview: nothing to show
      break;
  }
}

void Win32FormWindow::ItemsChanged(Control& control) {
  Win32Binding* binding = BindingOf(control);
  if (hwnd_ == nullptr || closing_ || binding == nullptr) return;
  const FollowingScope following(following_);
  binding->ApplyItems();
}

void Win32FormWindow::FocusChanged(Form&, Control*, Control*) {
  if (hwnd_ != nullptr && !closing_) ApplyFocus();
}

void Win32FormWindow::FormUnloaded(Form&) {
  closing_ = true;
  PostMessageW(hwnd_, WM_NULL, 0, 0);  // wakes the message loop
}

// --- Window to runtime ------------------------------------------------------------------------

void Win32FormWindow::Feed(Control& control, const std::function<void()>& action) {
  if (following_ || closing_) return;
  action();
  if (closing_) return;
  // Show the control as the runtime has it, in case the runtime refused the action.
  if (Win32Binding* binding = BindingOf(control)) {
    const FollowingScope following(following_);
    binding->ApplyValue();
  }
  ApplyFocus();
}

void Win32FormWindow::NoticeFocus() {
  HWND now = GetFocus();
  if (now == lastFocus_ || following_ || closing_) return;
  lastFocus_ = now;
  Win32Binding* binding = BindingOf(now);
  if (binding == nullptr) return;
  Control& control = binding->GetControl();
  if (!control.CanHaveFocus() || &control == form_.ActiveControl()) return;
  Feed(control, [&] { UserInput::Focus(control); });
}

bool Win32FormWindow::PreTranslate(const MSG& message) {
  if ((message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) ||
      (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) {
    return false;
  }
  const int16_t code = ClassicKey(message.wParam);
  if (code == 0) return false;
  Win32Binding* focused = BindingOf(GetFocus());
  if (code == kKeyReturn && focused != nullptr && focused->KeepsEnter()) return false;
  // An open drop-down list takes Enter and Escape to close itself.
  if (code != kKeyF1 && focused != nullptr &&
      SendMessageW(focused->Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0 &&
      std::string_view(focused->GetControl().TypeName()) == "ComboBox") {
    return false;
  }
  const auto shift = static_cast<int16_t>((GetKeyState(VK_SHIFT) < 0 ? 1 : 0) |
                                          (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                                          (GetKeyState(VK_MENU) < 0 ? 4 : 0));
  Feed(form_, [&] { UserInput::Key(form_, code, shift); });
  return true;
}

LRESULT CALLBACK Win32FormWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* window = reinterpret_cast<Win32FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (window == nullptr || window->hwnd_ != hwnd) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return window->OnMessage(message, wParam, lParam);
}

LRESULT Win32FormWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (lParam != 0) {
        if (Win32Binding* binding = BindingOf(reinterpret_cast<HWND>(lParam))) {
          if (!following_) binding->OnCommand(HIWORD(wParam));
        }
      }
      return 0;
    case WM_NOTIFY:
      if (Win32Binding* binding = BindingOf(reinterpret_cast<NMHDR*>(lParam)->hwndFrom)) {
        return binding->OnNotify(reinterpret_cast<NMHDR*>(lParam));
      }
      return 0;
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(hwnd_, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // Labels, frames, option buttons, check boxes and locked text boxes on the dialog's face.
      SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
      SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_CLOSE:
      Feed(form_, [this] { UserInput::CloseBox(form_); });
      return 0;
    case 0x02E0: {  // WM_DPICHANGED: the window moved to a monitor of another DPI
      dpi_ = HIWORD(wParam);
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      const FollowingScope following(following_);
      for (const auto& [control, binding] : bindings_) binding->ApplyAll();
      ApplyForm();
      return 0;
    }
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

void Win32FormWindow::Exec() {
  if (!form_.IsLoaded() || hwnd_ == nullptr) return;
  HWND owner = GetWindow(hwnd_, GW_OWNER);
  if (owner != nullptr) EnableWindow(owner, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  UpdateWindow(hwnd_);
  ApplyFocus();
  if (GetFocus() == nullptr || !IsChild(hwnd_, GetFocus())) {
    const FollowingScope following(following_);
    SetFocus(GetNextDlgTabItem(hwnd_, nullptr, FALSE));
  }
  MSG message;
  while (!closing_ && form_.IsLoaded()) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (!PreTranslate(message) && !IsDialogMessageW(hwnd_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    NoticeFocus();
  }
  if (owner != nullptr) EnableWindow(owner, TRUE);
  ShowWindow(hwnd_, SW_HIDE);
}

}  // namespace lumora::forms
