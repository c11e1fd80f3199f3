#include "platform/qt/ControlBinding.h"

#include <QWidget>
#include <string_view>
#include <unordered_map>

#include "platform/forms/Form.h"
#include "platform/qt/ButtonBindings.h"
#include "platform/qt/ClassicValues.h"
#include "platform/qt/ContainerBindings.h"
#include "platform/qt/FormWindow.h"
#include "platform/qt/ListBindings.h"
#include "platform/qt/TextBindings.h"

namespace lumora::forms {
namespace {

using Maker = std::unique_ptr<ControlBinding> (*)(FormWindow&, Control&);

template <class Binding, class Type>
std::unique_ptr<ControlBinding> Bind(FormWindow& window, Control& control) {
  return std::make_unique<Binding>(window, static_cast<Type&>(control));
}

std::unique_ptr<ControlBinding> BindTextBox(FormWindow& window, Control& control) {
  auto& box = static_cast<TextBox&>(control);
  if (box.MultiLine()) return std::make_unique<MultiLineTextBinding>(window, box);
  return std::make_unique<LineTextBinding>(window, box);
}

// The bindings by the classic type name of the control.
const std::unordered_map<std::string_view, Maker>& Makers() {
  static const std::unordered_map<std::string_view, Maker> makers = {
      {"CommandButton", Bind<CommandButtonBinding, CommandButton>},
      {"CheckBox", Bind<CheckBoxBinding, CheckBox>},
      {"OptionButton", Bind<OptionButtonBinding, OptionButton>},
      {"TextBox", BindTextBox},
      {"Label", Bind<LabelBinding, Label>},
      {"ComboBox", Bind<ComboBoxBinding, ComboBox>},
      {"ListView", Bind<ListViewBinding, ListView>},
      {"Frame", Bind<FrameBinding, Frame>},
      {"PictureBox", Bind<PictureBoxBinding, PictureBox>},
      {"Image", Bind<ImageBinding, Image>},
  };
  return makers;
}

// Twips per container: the container's width and height, the form's for a control on the form.
const Control& ContainerOf(const Control& control) {
  if (control.Container() != nullptr) return *control.Container();
  return *control.ParentForm();
}

}  // namespace

std::unique_ptr<ControlBinding> MakeBinding(FormWindow& window, Control& control) {
  const auto found = Makers().find(control.TypeName());
  return found == Makers().end() ? nullptr : found->second(window, control);
}

QWidget* ControlBinding::Make(QWidget* parent) {
  widget_ = Create(parent);
  return widget_;
}

void ControlBinding::ApplyAll() {
  ApplyGeometry();
  widget_->setEnabled(control_.Enabled());
  widget_->setToolTip(Q(control_.ToolTipText()));
  if (control_.HasFont()) ApplyFont();
  ApplyCaption();
  ApplyText();
  ApplyValue();
  ApplyPicture();
  ApplyItems();
  ApplyStyle();
  if (!TakesFocus()) widget_->setFocusPolicy(Qt::NoFocus);
}

bool ControlBinding::IsOffContainer() const {
  // The same rule the runtime uses for reachability: a control lying wholly outside its
  // container (a page frame at left -10000) is not seen.
  const Control& parent = ContainerOf(control_);
  return control_.Left() + control_.Width() <= 0 || control_.Top() + control_.Height() <= 0 ||
         (parent.Width() > 0 && control_.Left() >= parent.Width()) ||
         (parent.Height() > 0 && control_.Top() >= parent.Height());
}

bool ControlBinding::Shown() const {
  return control_.Visible() && !IsOffContainer();
}

void ControlBinding::ApplyGeometry() {
  widget_->setGeometry(window_.Px(control_.Left()), window_.Px(control_.Top()),
                       window_.Px(control_.Width()), window_.Px(control_.Height()));
  widget_->setVisible(Shown());
  window_.BuildWhenShown(control_);
}

void ControlBinding::ApplyFont() {
  widget_->setFont(ToQFont(control_.GetFont()));
}

}  // namespace lumora::forms
