#include "platform/forms/Form.h"

#include <algorithm>

#include "contract/Int16.h"
#include "platform/forms/Application.h"
#include "platform/forms/FormObserver.h"

namespace lumora::forms {

namespace {
constexpr int32_t kNoSuchElement = 340;
}

Form::Form(std::string name) : Control(std::move(name), kNoIndex) {
  form_ = this;
}

Form::~Form() {
  if (loaded_) App().FormUnloaded(*this);
}

void Form::SetCaption(std::string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  NotifyChanged(Property::Caption);
}

void Form::SetKeyPreview(bool on) {
  if (keyPreview_ == on) return;
  keyPreview_ = on;
  NotifyChanged(Property::KeyPreview);
}

void Form::Adopt(std::unique_ptr<Control> control, Control* container) {
  if (!control) Raise(kObjectNotSet);
  if (Find(control->Name(), control->Index()) != nullptr) {
    Raise(kInvalidArgument, "A control named " + control->DisplayName() + " already exists",
          kComponentSource);
  }
  Control* parent = container != nullptr ? container : this;
  if (parent->form_ != this || !parent->IsContainer()) {
    Raise(kInvalidArgument, parent->DisplayName() + " cannot hold controls", kComponentSource);
  }
  control->form_ = this;
  control->container_ = container;
  int32_t front = 0;
  for (const Control* sibling : parent->children_) front = std::max(front, sibling->zPosition_ + 1);
  control->zPosition_ = front;
  parent->children_.push_back(control.get());
  order_.push_back(control.get());
  owned_.push_back(std::move(control));
}

int16_t Form::ControlCount() const {
  return ToInt16(static_cast<int64_t>(order_.size()));
}

Control* Form::Find(std::string_view name, int16_t index) const {
  for (Control* control : order_) {
    if (control->Name() == name && control->Index() == index) return control;
  }
  return nullptr;
}

Control& Form::Require(std::string_view name, int16_t index) const {
  Control* control = Find(name, index);
  if (control != nullptr) return *control;
  if (index != kNoIndex) {
    Raise(kNoSuchElement, "Control array element '" + std::to_string(index) + "' doesn't exist",
          kComponentSource);
  }
  Raise(kNoSuchElement, "Control '" + std::string(name) + "' doesn't exist", kComponentSource);
}

std::vector<int16_t> Form::ArrayIndexes(std::string_view name) const {
  std::vector<int16_t> indexes;
  for (const Control* control : order_) {
    if (control->Name() == name && control->IsArrayMember()) indexes.push_back(control->Index());
  }
  std::sort(indexes.begin(), indexes.end());
  return indexes;
}

void Form::Load() {
  if (loaded_) return;
  loaded_ = true;
  App().FormLoaded(*this);
  RaiseEvent(OnLoad);
}

void Form::Show(ShowMode mode) {
  ModalDriver* driver = App().GetModalDriver();
  if (mode == ShowMode::Modal && driver == nullptr) {
    Raise(kInvalidArgument, "No modal driver is installed to show " + Name(), kComponentSource);
  }
  Load();
  if (!loaded_) return;
  shown_ = true;
  SetVisible(true);
  for (FormObserver* observer : std::vector<FormObserver*>(observers_)) observer->FormShown(*this);
  if (!activated_) {
    activated_ = true;
    RaiseEvent(OnActivate);
  }
  if (mode == ShowMode::Modal && loaded_) driver->RunModal(*this);
}

bool Form::Unload(int16_t unloadMode) {
  if (!loaded_) return true;
  int16_t cancel = 0;
  if (OnQueryUnload) OnQueryUnload(cancel, unloadMode);
  if (cancel != 0 || !loaded_) return !loaded_;
  if (OnUnload) OnUnload(cancel);
  if (cancel != 0 || !loaded_) return !loaded_;
  loaded_ = false;
  shown_ = false;
  activated_ = false;
  active_ = nullptr;
  pendingKeys_.clear();
  App().FormUnloaded(*this);
  for (FormObserver* observer : std::vector<FormObserver*>(observers_)) {
    observer->FormUnloaded(*this);
  }
  return true;
}

void Form::MoveFocus(Control* to) {
  if (to == active_) return;
  if (to != nullptr && to->ParentForm() != this) Raise(kInvalidArgument);
  Control* previous = active_;
  if (previous != nullptr) RaiseEvent(previous->OnLostFocus);
  active_ = to;
  for (FormObserver* observer : std::vector<FormObserver*>(observers_)) {
    observer->FocusChanged(*this, previous, to);
  }
  if (to != nullptr) RaiseEvent(to->OnGotFocus);
}

bool Form::TakePendingKey(int16_t& keyCode) {
  if (pendingKeys_.empty()) return false;
  keyCode = pendingKeys_.front();
  pendingKeys_.pop_front();
  return true;
}

void Form::AddObserver(FormObserver* observer) {
  if (observer != nullptr &&
      std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
}

void Form::RemoveObserver(FormObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

int32_t Form::TextWidth(std::string_view text) const {
  // Twentieths of a point per em; widths in hundredths of an em.
  const double emTwips = GetFont().size * 20.0;
  int64_t hundredths = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) == 0x80) continue;  // a UTF-8 continuation byte
    if (c == ' ') {
      hundredths += 25;
    } else if (c == 'i' || c == 'l' || c == 'I' || c == '.' || c == ',' || c == '\'' || c == '|') {
      hundredths += 25;
    } else if (c == 'm' || c == 'w' || c == 'M' || c == 'W') {
      hundredths += 80;
    } else if (c >= 'A' && c <= 'Z') {
      hundredths += 62;
    } else {
      hundredths += 50;
    }
  }
  return static_cast<int32_t>(static_cast<double>(hundredths) * emTwips / 100.0 + 0.5);
}

}  // namespace lumora::forms
