// The simple control types: labels, buttons, frames, text boxes, combo boxes, option buttons,
// check boxes, picture boxes, images and the two inert components.
#include "contract/Failure.h"
#include "contract/Int16.h"
#include "platform/forms/CheckBox.h"
#include "platform/forms/ComboBox.h"
#include "platform/forms/CommandButton.h"
#include "platform/forms/Components.h"
#include "platform/forms/Form.h"
#include "platform/forms/Frame.h"
#include "platform/forms/Image.h"
#include "platform/forms/Label.h"
#include "platform/forms/ListView.h"
#include "platform/forms/OptionButton.h"
#include "platform/forms/PictureBox.h"
#include "platform/forms/TextBox.h"

namespace lumora::forms {

namespace {

// Sets `member` and tells the observers; false when the value was already there.
template <class T>
bool Change(T& member, T value) {
  if (member == value) return false;
  member = std::move(value);
  return true;
}

}  // namespace

void Label::SetCaption(std::string caption) {
  if (Change(caption_, std::move(caption))) NotifyChanged(Property::Caption);
}

void Frame::SetCaption(std::string caption) {
  if (Change(caption_, std::move(caption))) NotifyChanged(Property::Caption);
}

// --- CommandButton -------------------------------------------------------------------------------

void CommandButton::SetCaption(std::string caption) {
  if (Change(caption_, std::move(caption))) NotifyChanged(Property::Caption);
}

void CommandButton::SetValue(bool value) {
  if (value) RaiseEvent(OnClick);
}

void CommandButton::SetDefault(bool on) {
  if (on && ParentForm() != nullptr) {
    for (Control* control : ParentForm()->Controls()) {
      auto* button = dynamic_cast<CommandButton*>(control);
      if (button != nullptr && button != this && button->default_) {
        button->default_ = false;
        button->NotifyChanged(Property::Default);
      }
    }
  }
  if (Change(default_, on)) NotifyChanged(Property::Default);
}

void CommandButton::SetCancel(bool on) {
  if (on && ParentForm() != nullptr) {
    for (Control* control : ParentForm()->Controls()) {
      auto* button = dynamic_cast<CommandButton*>(control);
      if (button != nullptr && button != this && button->cancel_) {
        button->cancel_ = false;
        button->NotifyChanged(Property::Cancel);
      }
    }
  }
  if (Change(cancel_, on)) NotifyChanged(Property::Cancel);
}

// --- TextBox -------------------------------------------------------------------------------------

void TextBox::SetText(std::string text) {
  if (!Change(text_, std::move(text))) return;
  NotifyChanged(Property::Text);
  RaiseEvent(OnChange);
}

void TextBox::SetMultiLine(bool on) {
  if (Change(multiLine_, on)) NotifyChanged(Property::MultiLine);
}

void TextBox::SetScrollBars(int16_t bars) {
  if (bars < kScrollNone || bars > kScrollBoth) Raise(kInvalidPropertyValue);
  if (Change(scrollBars_, bars)) NotifyChanged(Property::ScrollBars);
}

void TextBox::SetLocked(bool on) {
  if (Change(locked_, on)) NotifyChanged(Property::Locked);
}

// --- ComboBox ------------------------------------------------------------------------------------

int16_t ComboBox::ListCount() const {
  return ToInt16(static_cast<int64_t>(list_.size()));
}

void ComboBox::AddItem(std::string item, int16_t index) {
  const int16_t count = ListCount();
  ToInt16(static_cast<int64_t>(count) + 1);  // the 32768th entry overflows
  if (index == -1) index = count;
  if (index < 0 || index > count) Raise(kInvalidArgument);
  list_.insert(list_.begin() + index, std::move(item));
  if (listIndex_ >= index) {
    ++listIndex_;
    NotifyChanged(Property::ListIndex);
  }
  NotifyItemsChanged();
}

void ComboBox::RemoveItem(int16_t index) {
  if (index < 0 || index >= ListCount()) Raise(kInvalidArgument);
  list_.erase(list_.begin() + index);
  if (listIndex_ == index) {
    listIndex_ = -1;
    NotifyChanged(Property::ListIndex);
  } else if (listIndex_ > index) {
    --listIndex_;
    NotifyChanged(Property::ListIndex);
  }
  NotifyItemsChanged();
}

void ComboBox::Clear() {
  list_.clear();
  if (Change(listIndex_, int16_t{-1})) NotifyChanged(Property::ListIndex);
  if (style_ != kDropdownList && Change(editText_, std::string())) NotifyChanged(Property::Text);
  NotifyItemsChanged();
}

std::string ComboBox::List(int16_t index) const {
  if (index < 0 || index >= ListCount()) return {};
  return list_[static_cast<size_t>(index)];
}

void ComboBox::SetListIndex(int16_t index) {
  if (index < -1 || index >= ListCount()) Raise(kInvalidPropertyValue);
  if (index == listIndex_) return;
  listIndex_ = index;
  if (style_ != kDropdownList && index >= 0) editText_ = list_[static_cast<size_t>(index)];
  NotifyChanged(Property::ListIndex);
  NotifyChanged(Property::Text);
  RaiseEvent(OnClick);
}

std::string ComboBox::Text() const {
  if (style_ == kDropdownList) return listIndex_ >= 0 ? list_[static_cast<size_t>(listIndex_)] : "";
  return editText_;
}

void ComboBox::SetText(std::string text) {
  if (style_ == kDropdownList) {
    for (int16_t i = 0; i < ListCount(); ++i) {
      if (list_[static_cast<size_t>(i)] == text) return SetListIndex(i);
    }
    Raise(kInvalidPropertyValue);
  }
  if (!Change(editText_, std::move(text))) return;
  NotifyChanged(Property::Text);
  RaiseEvent(OnChange);
}

void ComboBox::SetStyle(int16_t style) {
  if (style < kDropdownCombo || style > kDropdownList) Raise(kInvalidPropertyValue);
  if (Change(style_, style)) NotifyChanged(Property::Style);
}

// --- OptionButton --------------------------------------------------------------------------------

void OptionButton::SetCaption(std::string caption) {
  if (Change(caption_, std::move(caption))) NotifyChanged(Property::Caption);
}

void OptionButton::SetValue(bool value) {
  if (value_ == value) return;
  if (!value) {
    value_ = false;
    NotifyChanged(Property::Value);
    return;
  }
  // The group is every option button of the same container.
  if (ParentForm() != nullptr) {
    for (Control* control : ParentForm()->Controls()) {
      auto* other = dynamic_cast<OptionButton*>(control);
      if (other != nullptr && other != this && other->Container() == Container() && other->value_) {
        other->value_ = false;
        other->NotifyChanged(Property::Value);
      }
    }
  }
  value_ = true;
  NotifyChanged(Property::Value);
  RaiseEvent(OnClick);
}

// --- CheckBox ------------------------------------------------------------------------------------

void CheckBox::SetCaption(std::string caption) {
  if (Change(caption_, std::move(caption))) NotifyChanged(Property::Caption);
}

void CheckBox::SetValue(int16_t value) {
  if (value < kUnchecked || value > kGrayed) Raise(kInvalidPropertyValue);
  if (!Change(value_, value)) return;
  NotifyChanged(Property::Value);
  RaiseEvent(OnClick);
}

// --- Pictures ------------------------------------------------------------------------------------

void PictureBox::SetPicture(std::string picture) {
  if (Change(picture_, std::move(picture))) NotifyChanged(Property::Picture);
}

void Image::SetPicture(std::string picture) {
  if (Change(picture_, std::move(picture))) NotifyChanged(Property::Picture);
}

// --- ImageList -----------------------------------------------------------------------------------

void ImageList::AddImage(std::string key, std::string picture) {
  for (const std::string& held : keys_) {
    if (!key.empty() && held == key) {
      Raise(kKeyNotUnique);
    }
  }
  keys_.push_back(std::move(key));
  pictures_.push_back(std::move(picture));
  NotifyItemsChanged();
}

const std::string& ImageList::Picture(const std::string& key) const {
  for (size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i] == key) return pictures_[i];
  }
  Raise(kElementNotFound, "Element not found", kComponentSource);
}

}  // namespace lumora::forms
