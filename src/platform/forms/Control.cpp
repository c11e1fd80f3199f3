#include "platform/forms/Control.h"

#include <vector>

#include "contract/Failure.h"
#include "platform/forms/Form.h"
#include "platform/forms/FormObserver.h"

namespace lumora::forms {

const char* PropertyName(Property property) {
  switch (property) {
    case Property::Caption:
      return "Caption";
    case Property::Text:
      return "Text";
    case Property::Value:
      return "Value";
    case Property::Enabled:
      return "Enabled";
    case Property::Visible:
      return "Visible";
    case Property::Left:
      return "Left";
    case Property::Top:
      return "Top";
    case Property::Width:
      return "Width";
    case Property::Height:
      return "Height";
    case Property::Tag:
      return "Tag";
    case Property::ToolTipText:
      return "ToolTipText";
    case Property::TabIndex:
      return "TabIndex";
    case Property::HelpContextID:
      return "HelpContextID";
    case Property::Font:
      return "Font";
    case Property::ZOrder:
      return "ZOrder";
    case Property::ListIndex:
      return "ListIndex";
    case Property::Picture:
      return "Picture";
    case Property::View:
      return "View";
    case Property::HideColumnHeaders:
      return "HideColumnHeaders";
    case Property::Checkboxes:
      return "Checkboxes";
    case Property::MultiLine:
      return "MultiLine";
    case Property::ScrollBars:
      return "ScrollBars";
    case Property::Style:
      return "Style";
    case Property::Default:
      return "Default";
    case Property::Cancel:
      return "Cancel";
    case Property::KeyPreview:
      return "KeyPreview";
    case Property::Locked:
      return "Locked";
  }
  return "?";
}

Control::Control(std::string name, int16_t index) : name_(std::move(name)), index_(index) {}
Control::~Control() = default;

std::string Control::DisplayName() const {
  if (!IsArrayMember()) return name_;
  return name_ + "(" + std::to_string(index_) + ")";
}

void Control::NotifyChanged(Property property) {
  if (form_ == nullptr) return;
  const std::vector<FormObserver*> observers = form_->Observers();
  for (FormObserver* observer : observers) observer->PropertyChanged(*this, property);
}

void Control::NotifyItemsChanged() {
  if (form_ == nullptr) return;
  const std::vector<FormObserver*> observers = form_->Observers();
  for (FormObserver* observer : observers) observer->ItemsChanged(*this);
}

void Control::NotSupported() {
  Raise(kPropertyNotFound);
}

namespace {

template <class T>
bool Assign(T& member, T value) {
  if (member == value) return false;
  member = std::move(value);
  return true;
}

}  // namespace

void Control::SetLeft(int32_t twips) {
  if (Assign(left_, twips)) NotifyChanged(Property::Left);
}
void Control::SetTop(int32_t twips) {
  if (Assign(top_, twips)) NotifyChanged(Property::Top);
}
void Control::SetWidth(int32_t twips) {
  if (twips < 0) Raise(kInvalidPropertyValue);
  if (Assign(width_, twips)) NotifyChanged(Property::Width);
}
void Control::SetHeight(int32_t twips) {
  if (twips < 0) Raise(kInvalidPropertyValue);
  if (Assign(height_, twips)) NotifyChanged(Property::Height);
}
void Control::SetEnabled(bool enabled) {
  if (Assign(enabled_, enabled)) NotifyChanged(Property::Enabled);
}
void Control::SetVisible(bool visible) {
  if (Assign(visible_, visible)) NotifyChanged(Property::Visible);
}
void Control::SetTag(std::string tag) {
  if (Assign(tag_, std::move(tag))) NotifyChanged(Property::Tag);
}
void Control::SetToolTipText(std::string text) {
  if (Assign(toolTipText_, std::move(text))) NotifyChanged(Property::ToolTipText);
}
void Control::SetTabIndex(int16_t tabIndex) {
  if (tabIndex < 0) Raise(kInvalidPropertyValue);
  if (Assign(tabIndex_, tabIndex)) NotifyChanged(Property::TabIndex);
}
void Control::SetHelpContextID(int32_t id) {
  if (Assign(helpContextID_, id)) NotifyChanged(Property::HelpContextID);
}

void Control::ZOrder(int16_t position) {
  if (position != 0 && position != 1) Raise(kInvalidArgument);
  const std::vector<Control*>* siblings = nullptr;
  if (container_ != nullptr) {
    siblings = &container_->children_;
  } else if (form_ != nullptr && form_ != this) {
    siblings = &form_->children_;
  }
  if (siblings == nullptr) return;
  int32_t front = zPosition_, back = zPosition_;
  for (const Control* sibling : *siblings) {
    if (sibling == this) continue;
    front = std::max(front, sibling->zPosition_ + 1);
    back = std::min(back, sibling->zPosition_ - 1);
  }
  if (Assign(zPosition_, position == 0 ? front : back)) NotifyChanged(Property::ZOrder);
}

const Font& Control::GetFont() const {
  if (!HasFont()) NotSupported();
  return font_;
}

void Control::SetFont(const Font& font) {
  if (!HasFont()) NotSupported();
  if (Assign(font_, font)) NotifyChanged(Property::Font);
}

std::string Control::Caption() const {
  NotSupported();
}
void Control::SetCaption(std::string) {
  NotSupported();
}
std::string Control::Text() const {
  NotSupported();
}
void Control::SetText(std::string) {
  NotSupported();
}

bool Control::IsReachable(std::string* reason) const {
  auto refuse = [&](std::string why) {
    if (reason != nullptr) *reason = std::move(why);
    return false;
  };
  if (form_ == nullptr || !form_->IsShown()) return refuse("the window is not shown");
  for (const Control* c = this; c != nullptr && c != form_; c = c->container_) {
    const std::string who =
        c == this ? DisplayName() : DisplayName() + " is inside " + c->DisplayName() + ", which";
    if (!c->enabled_) return refuse(who + " is disabled");
    if (!c->visible_) return refuse(who + " is hidden");
    const Control* parent = c->container_ != nullptr ? c->container_ : form_;
    const bool off = c->left_ + c->width_ <= 0 || c->top_ + c->height_ <= 0 ||
                     (parent->width_ > 0 && c->left_ >= parent->width_) ||
                     (parent->height_ > 0 && c->top_ >= parent->height_);
    if (off) return refuse(who + " is not shown (it lies outside " + parent->DisplayName() + ")");
  }
  return true;
}

void Control::SetFocus() {
  if (!CanHaveFocus() || !IsReachable()) Raise(kInvalidArgument);
  form_->MoveFocus(this);
}

}  // namespace lumora::forms
