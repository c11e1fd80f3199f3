// The binding of each control type, and the table that picks one by the control's type name.
#include <windows.h>
// (after windows.h)
#include <commctrl.h>

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "contract/WideText.h"
#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Form.h"
#include "platform/forms/Frame.h"
#include "platform/forms/Image.h"
#include "platform/forms/Label.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/PictureBox.h"
#include "platform/forms/TextBox.h"
#include "platform/forms/UserInput.h"
#include "platform/win32/Win32Binding.h"
#include "platform/win32/Win32FormWindow.h"
#include "platform/win32/Win32Pictures.h"

namespace lumora::forms {
namespace {

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
  return Narrow(text);
}

// A control of one type: `control` is the runtime's control as that type.
template <class Type>
class TypedBinding : public Win32Binding {
 public:
  TypedBinding(Win32FormWindow& window, Type& control)
      : Win32Binding(window, control), typed_(control) {}

 protected:
  void Click() {
    window_.Feed(typed_, [this] { UserInput::Click(typed_); });
  }
  Type& typed_;
};

class CommandButtonBinding : public TypedBinding<CommandButton> {
 public:
  using TypedBinding::TypedBinding;
  void ApplyCaption() override { SetText(typed_.Caption()); }
  void ApplyValue() override {
    SendMessageW(hwnd_, BM_SETSTYLE, typed_.Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
  void OnCommand(int code) override {
    if (code == BN_CLICKED) Click();
  }

 protected:
  Shape GetShape() const override { return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON}; }
};

class CheckBoxBinding : public TypedBinding<CheckBox> {
 public:
  using TypedBinding::TypedBinding;
  void ApplyCaption() override { SetText(typed_.Caption()); }
  void ApplyValue() override {
    const int16_t value = typed_.Value();
    SendMessageW(hwnd_, BM_SETCHECK,
                 value == 1   ? BST_CHECKED
                 : value == 2 ? BST_INDETERMINATE
                              : BST_UNCHECKED,
                 0);
  }
  void OnCommand(int code) override {
    if (code == BN_CLICKED) Click();
  }

 protected:
  // Not an automatic check box: the runtime decides the value, and the box shows it.
  Shape GetShape() const override { return {L"BUTTON", WS_TABSTOP | BS_3STATE}; }
};

class OptionButtonBinding : public TypedBinding<OptionButton> {
 public:
  using TypedBinding::TypedBinding;
  void ApplyCaption() override { SetText(typed_.Caption()); }
  void ApplyValue() override {
    SendMessageW(hwnd_, BM_SETCHECK, typed_.Value() ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  void OnCommand(int code) override {
    if (code == BN_CLICKED && !typed_.Value()) Click();
  }

 protected:
  Shape GetShape() const override { return {L"BUTTON", WS_TABSTOP | BS_RADIOBUTTON}; }
};

class LabelBinding : public TypedBinding<Label> {
 public:
  using TypedBinding::TypedBinding;
  void ApplyCaption() override { SetText(typed_.Caption()); }
  bool Beneath() const override { return true; }

 protected:
  Shape GetShape() const override { return {L"STATIC", SS_LEFT}; }
};

class FrameBinding : public TypedBinding<Frame> {
 public:
  using TypedBinding::TypedBinding;
  void ApplyCaption() override {
    if (Grouped()) SetText(typed_.Caption());
  }
  bool Beneath() const override { return true; }

 protected:
  // A frame without a border only holds its controls; a low one is drawn as a rule.
  Shape GetShape() const override {
    if (typed_.BorderStyle() == 0) return {L"STATIC", SS_LEFT};
    if (!Grouped()) return {L"STATIC", SS_ETCHEDHORZ};
    return {L"BUTTON", BS_GROUPBOX};
  }

 private:
  bool Grouped() const { return typed_.BorderStyle() != 0 && typed_.Height() > 60; }
};

// A picture shown in a static window (an image, or a picture box beneath its controls).
template <class Type>
class PictureBinding : public TypedBinding<Type> {
 public:
  using TypedBinding<Type>::TypedBinding;
  ~PictureBinding() override {
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
  }
  void ApplyPicture() override {
    HBITMAP read = ReadPicture(this->typed_.Picture());
    HBITMAP old = reinterpret_cast<HBITMAP>(
        SendMessageW(this->hwnd_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(read)));
    if (old != nullptr && old != read) DeleteObject(old);
    if (bitmap_ != nullptr && bitmap_ != old) DeleteObject(bitmap_);
    bitmap_ = read;
    this->ApplyGeometry();  // a static window takes its bitmap's size; the form's size wins
  }
  bool Beneath() const override { return true; }

 protected:
  // A static window without a picture shows the dialog's face.
  typename Win32Binding::Shape GetShape() const override {
    return {L"STATIC",
            this->typed_.Picture().empty() ? DWORD{SS_LEFT} : DWORD{SS_BITMAP | SS_CENTERIMAGE}};
  }

 private:
  HBITMAP bitmap_ = nullptr;
};

class TextBoxBinding : public TypedBinding<TextBox> {
 public:
  using TypedBinding::TypedBinding;
  // The runtime's text ends its lines with CR LF, as the edit window does.
  void ApplyText() override { SetText(typed_.Text()); }
  void ApplyValue() override { SendMessageW(hwnd_, EM_SETREADONLY, typed_.Locked(), 0); }
  void OnCommand(int code) override {
    if (code != EN_CHANGE) return;
    const std::string text = WindowText(hwnd_);
    if (text != typed_.Text()) window_.Feed(typed_, [&] { UserInput::Type(typed_, text); });
  }
  bool KeepsEnter() const override { return typed_.MultiLine(); }

 protected:
  Shape GetShape() const override {
    DWORD style = WS_TABSTOP | ES_AUTOHSCROLL;
    if (typed_.MultiLine()) {
      style = WS_TABSTOP | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
      if (typed_.ScrollBars() & 1) style |= WS_HSCROLL | ES_AUTOHSCROLL;
      if (typed_.ScrollBars() & 2) style |= WS_VSCROLL;
    }
    return {L"EDIT", style, WS_EX_CLIENTEDGE};
  }
};

class ComboBoxBinding : public TypedBinding<ComboBox> {
 public:
  using TypedBinding::TypedBinding;
  void ApplyItems() override {
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : typed_.Entries()) {
      SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry).c_str()));
    }
    ApplyValue();
  }
  void ApplyValue() override { SendMessageW(hwnd_, CB_SETCURSEL, typed_.ListIndex(), 0); }
  void OnCommand(int code) override {
    if (code != CBN_SELCHANGE) return;
    const auto chosen = static_cast<int16_t>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
    if (chosen >= 0) window_.Feed(typed_, [&] { UserInput::Choose(typed_, chosen); });
  }

 protected:
  int32_t DroppedHeight() const override { return 2400; }
  // Every combo is a drop-down list: the runtime takes a person's choice of an entry.
  Shape GetShape() const override {
    return {L"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST};
  }
};

class ListViewBinding : public TypedBinding<ListView> {
 public:
  using TypedBinding::TypedBinding;
  void ApplyItems() override {
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    ApplyStyle();
    SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0);
    while (SendMessageW(hwnd_, LVM_DELETECOLUMN, 0, 0) != 0) {
    }
    int column = 0;
    for (const auto& header : typed_.ColumnHeaders()) {
      std::wstring text = Widen(header->Text());
      LVCOLUMNW entry{};
      entry.mask = LVCF_TEXT | LVCF_WIDTH;
      entry.pszText = text.data();
      entry.cx = window_.Px(header->Width());
      SendMessageW(hwnd_, LVM_INSERTCOLUMNW, column++, reinterpret_cast<LPARAM>(&entry));
    }
    if (column == 0) {  // no headers: one column
      LVCOLUMNW entry{};
      entry.mask = LVCF_WIDTH;
      SendMessageW(hwnd_, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&entry));
    }
    int row = 0;
    for (const auto& item : typed_.ListItems()) {
      std::wstring text = Widen(item->Text());
      LVITEMW entry{};
      entry.mask = LVIF_TEXT;
      entry.iItem = row++;
      entry.pszText = text.data();
      SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry));
    }
    ApplyValue();
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    // Without column headers, the one column is as wide as the list's inside or as its widest
    // entry, whichever is wider: a scroll bar shows only when an entry is wider than the list.
    if (typed_.HideColumnHeaders() && typed_.ColumnHeaders().Count() <= 1) {
      SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(LVSCW_AUTOSIZE, 0));
      const auto widest = static_cast<int>(SendMessageW(hwnd_, LVM_GETCOLUMNWIDTH, 0, 0));
      const bool vertical =
          SendMessageW(hwnd_, LVM_GETCOUNTPERPAGE, 0, 0) < typed_.ListItems().Count();
      const int inside = window_.Px(typed_.Width()) - 2 * GetSystemMetrics(SM_CXEDGE) -
                         (vertical ? GetSystemMetrics(SM_CXVSCROLL) : 0);
      SendMessageW(hwnd_, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(std::max(widest, inside), 0));
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  // The check marks.
  void ApplyValue() override {
    if (!typed_.Checkboxes()) return;
    int row = 0;
    for (const auto& item : typed_.ListItems()) {
      LVITEMW state{};
      state.stateMask = LVIS_STATEIMAGEMASK;
      state.state = INDEXTOSTATEIMAGEMASK(item->Checked() ? 2 : 1);
      SendMessageW(hwnd_, LVM_SETITEMSTATE, row++, reinterpret_cast<LPARAM>(&state));
    }
  }
  LRESULT OnNotify(NMHDR* header) override {
    if (header->code != LVN_ITEMCHANGED || window_.Following()) return 0;
    const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
    if ((change->uChanged & LVIF_STATE) == 0 ||
        ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) == 0 ||
        (change->uOldState & LVIS_STATEIMAGEMASK) == 0 || change->iItem < 0) {
      return 0;
    }
    const bool checked = ((change->uNewState & LVIS_STATEIMAGEMASK) >> 12) == 2;
    const int32_t index = change->iItem + 1;
    window_.Feed(typed_, [&] { UserInput::Tick(typed_, index, checked); });
    return 0;
  }

 protected:
  Shape GetShape() const override {
    return {WC_LISTVIEWW, WS_TABSTOP | LVS_SINGLESEL | LVS_SHOWSELALWAYS | ViewStyle(),
            WS_EX_CLIENTEDGE};
  }

 private:
  // The classic views: 0 icons, 1 small icons, 2 list, 3 report.
  DWORD ViewStyle() const {
    static constexpr DWORD kViews[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    const int16_t view = typed_.View();
    return kViews[view >= 0 && view <= 3 ? view : 3] |
           (typed_.HideColumnHeaders() ? LVS_NOCOLUMNHEADER : 0);
  }
  void ApplyStyle() {
    const auto old = static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE));
    const DWORD style =
        (old & ~static_cast<DWORD>(LVS_TYPEMASK | LVS_NOCOLUMNHEADER)) | ViewStyle();
    if (style != old) SetWindowLongW(hwnd_, GWL_STYLE, static_cast<LONG>(style));
    const DWORD extended = LVS_EX_FULLROWSELECT | (typed_.Checkboxes() ? LVS_EX_CHECKBOXES : 0);
    SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES,
                 extended);
  }
};

using Maker = std::unique_ptr<Win32Binding> (*)(Win32FormWindow&, Control&);

template <class Binding, class Type>
std::unique_ptr<Win32Binding> Bind(Win32FormWindow& window, Control& control) {
  return std::make_unique<Binding>(window, static_cast<Type&>(control));
}

// The bindings by the classic type name of the control.
const std::unordered_map<std::string_view, Maker>& Makers() {
  static const std::unordered_map<std::string_view, Maker> makers = {
      {"CommandButton", Bind<CommandButtonBinding, CommandButton>},
      {"CheckBox", Bind<CheckBoxBinding, CheckBox>},
      {"OptionButton", Bind<OptionButtonBinding, OptionButton>},
      {"TextBox", Bind<TextBoxBinding, TextBox>},
      {"Label", Bind<LabelBinding, Label>},
      {"ComboBox", Bind<ComboBoxBinding, ComboBox>},
      {"ListView", Bind<ListViewBinding, ListView>},
      {"Frame", Bind<FrameBinding, Frame>},
      {"PictureBox", Bind<PictureBinding<PictureBox>, PictureBox>},
      {"Image", Bind<PictureBinding<Image>, Image>},
  };
  return makers;
}

// Whether the control lies wholly outside its container (a page frame at left -10000).
bool IsOffContainer(const Control& control) {
  const Control& parent =
      control.Container() != nullptr ? *control.Container() : *control.ParentForm();
  return control.Left() + control.Width() <= 0 || control.Top() + control.Height() <= 0 ||
         (parent.Width() > 0 && control.Left() >= parent.Width()) ||
         (parent.Height() > 0 && control.Top() >= parent.Height());
}

}  // namespace

std::unique_ptr<Win32Binding> MakeWin32Binding(Win32FormWindow& window, Control& control) {
  const auto found = Makers().find(control.TypeName());
  return found == Makers().end() ? nullptr : found->second(window, control);
}

HWND Win32Binding::Make(HWND parent, int id) {
  const Shape shape = GetShape();
  hwnd_ = CreateWindowExW(shape.exStyle, shape.windowClass, L"",
                          shape.style | WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          GetModuleHandleW(nullptr), nullptr);
  return hwnd_;
}

void Win32Binding::ApplyAll() {
  ApplyGeometry();
  EnableWindow(hwnd_, control_.Enabled());
  if (control_.HasFont()) ApplyFont();
  ApplyCaption();
  ApplyText();
  ApplyItems();
  ApplyValue();
  ApplyPicture();
}

void Win32Binding::ApplyGeometry() {
  int32_t left = control_.Left(), top = control_.Top();
  bool shown = control_.Visible() && !IsOffContainer(control_);
  for (const Control* outer = control_.Container(); outer != nullptr; outer = outer->Container()) {
    left += outer->Left();
    top += outer->Top();
    shown = shown && outer->Visible() && !IsOffContainer(*outer);
  }
  SetWindowPos(hwnd_, nullptr, window_.Px(left), window_.Px(top), window_.Px(control_.Width()),
               window_.Px(control_.Height() + DroppedHeight()), SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(hwnd_, shown ? SW_SHOWNA : SW_HIDE);
}

void Win32Binding::ApplyFont() {
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(window_.FontOf(control_.GetFont())),
               TRUE);
}

void Win32Binding::SetText(const std::string& text) {
  const std::wstring wide = Widen(text);
  const int length = GetWindowTextLengthW(hwnd_);
  std::wstring shown(static_cast<size_t>(length) + 1, L'\0');
  shown.resize(static_cast<size_t>(GetWindowTextW(hwnd_, shown.data(), length + 1)));
  if (shown != wide) SetWindowTextW(hwnd_, wide.c_str());
}

}  // namespace lumora::forms
