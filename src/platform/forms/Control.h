// The base of every control on a form: a name with an optional control-array index, its
// container, position and size in twips, and the properties most classic controls share.
// Controls are owned by their form; containers (frames, picture boxes) only refer to their
// children. A property a control type lacks fails with error 438 when touched, as the classic
// runtime does ("Object doesn't support this property or method").
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/forms/Font.h"
#include "platform/forms/Property.h"

namespace lumora::forms {

class Form;

// Index of a control that is not a member of a control array.
inline constexpr int16_t kNoIndex = -1;

class Control {
 public:
  Control(std::string name, int16_t index);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // The classic type name ("CommandButton", "ListView", ...), as TypeName() answers it.
  virtual const char* TypeName() const = 0;

  const std::string& Name() const { return name_; }
  int16_t Index() const { return index_; }
  bool IsArrayMember() const { return index_ != kNoIndex; }
  // "cmdNav(3)" for an array member, else the name.
  std::string DisplayName() const;

  Form* ParentForm() const { return form_; }
  // The frame or picture box holding the control; null for a control placed on the form.
  Control* Container() const { return container_; }
  const std::vector<Control*>& Children() const { return children_; }
  virtual bool IsContainer() const { return false; }

  // Position and size in twips, relative to the container.
  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void SetLeft(int32_t twips);
  void SetTop(int32_t twips);
  void SetWidth(int32_t twips);
  void SetHeight(int32_t twips);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  const std::string& Tag() const { return tag_; }
  void SetTag(std::string tag);
  const std::string& ToolTipText() const { return toolTipText_; }
  void SetToolTipText(std::string text);
  int16_t TabIndex() const { return tabIndex_; }
  void SetTabIndex(int16_t tabIndex);
  int32_t HelpContextID() const { return helpContextID_; }
  void SetHelpContextID(int32_t id);

  // Stacking among the siblings: a higher value is in front. ZOrder(0) brings the control to
  // the front, ZOrder(1) sends it to the back.
  int32_t ZPosition() const { return zPosition_; }
  void ZOrder(int16_t position = 0);

  // The font; controls without one (images, components) fail with 438.
  virtual bool HasFont() const { return true; }
  const Font& GetFont() const;
  void SetFont(const Font& font);

  // Caption and Text exist on some control types only; the others fail with 438.
  virtual std::string Caption() const;
  virtual void SetCaption(std::string caption);
  virtual std::string Text() const;
  virtual void SetText(std::string text);

  // Whether a person can give the control the focus (buttons, boxes, lists).
  virtual bool CanHaveFocus() const { return false; }
  // Whether a person can reach the control now: the form is shown, and the control and each
  // of its containers are enabled, visible and not moved off their container (a page frame at
  // left -10000 is not shown). Gives the reason when not, naming the control in the way.
  bool IsReachable(std::string* reason = nullptr) const;
  // Moves the focus here in code (LostFocus on the control left, then GotFocus here); fails
  // with 5 when the control cannot have the focus now.
  void SetFocus();

  // Events, raised synchronously by the runtime (never by handlers).
  std::function<void()> OnClick;
  std::function<void()> OnGotFocus;
  std::function<void()> OnLostFocus;
  std::function<void(int16_t& keyCode, int16_t shift)> OnKeyDown;

 protected:
  // Tells the form's observers that `property` of this control changed.
  void NotifyChanged(Property property);
  void NotifyItemsChanged();
  static void RaiseEvent(const std::function<void()>& event) {
    if (event) event();
  }
  [[noreturn]] static void NotSupported();

 private:
  friend class Form;
  std::string name_;
  int16_t index_;
  Form* form_ = nullptr;
  Control* container_ = nullptr;
  std::vector<Control*> children_;
  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  bool enabled_ = true;
  bool visible_ = true;
  std::string tag_;
  std::string toolTipText_;
  int16_t tabIndex_ = 0;
  int32_t helpContextID_ = 0;
  int32_t zPosition_ = 0;
  Font font_;
};

}  // namespace lumora::forms
