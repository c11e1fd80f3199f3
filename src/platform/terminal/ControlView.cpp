#include "platform/terminal/ControlView.h"

#include <curses.h>

#include <string_view>

#include "platform/forms/Control.h"
#include "platform/forms/UserInput.h"
#include "platform/terminal/ButtonViews.h"
#include "platform/terminal/ListViews.h"
#include "platform/terminal/StaticViews.h"
#include "platform/terminal/TextBoxView.h"
#include "platform/terminal/TextCells.h"

namespace lumora::terminal {
namespace {

using Maker = std::unique_ptr<ControlView> (*)(forms::Control&, ViewContext&);

template <class View, class Type>
std::unique_ptr<ControlView> Show(forms::Control& control, ViewContext& context) {
  return std::make_unique<View>(static_cast<Type&>(control), context);
}

// The views by the classic type name of the control.
const std::unordered_map<std::string_view, Maker>& Makers() {
  static const std::unordered_map<std::string_view, Maker> makers = {
      {"CommandButton", Show<CommandButtonView, forms::CommandButton>},
      {"CheckBox", Show<CheckBoxView, forms::CheckBox>},
      {"OptionButton", Show<OptionButtonView, forms::OptionButton>},
      {"TextBox", Show<TextBoxView, forms::TextBox>},
      {"Label", Show<LabelView, forms::Label>},
      {"ComboBox", Show<ComboBoxView, forms::ComboBox>},
      {"ListView", Show<ListViewView, forms::ListView>},
      {"Frame", Show<FrameView, forms::Frame>},
      {"PictureBox", Show<PictureBoxView, forms::PictureBox>},
      {"Image", Show<ImageView, forms::Control>},
  };
  return makers;
}

}  // namespace

std::unique_ptr<ControlView> MakeView(forms::Control& control, ViewContext& context) {
  const auto found = Makers().find(control.TypeName());
  return found == Makers().end() ? nullptr : found->second(control, context);
}

ControlView* ControlViews::Of(forms::Control& control) {
  auto found = views_.find(&control);
  if (found == views_.end()) found = views_.emplace(&control, MakeView(control, context_)).first;
  return found->second.get();
}

CellRect ControlView::HitArea(const CellRect& at) const {
  CellRect hit = at;
  hit.rows = 1;
  return hit;
}

void ControlView::Click(int /*row*/, int /*col*/) {
  forms::UserInput::Click(control_);
}

void DrawCaption(const Screen& screen, const std::string& caption, int row, int col, int cells,
                 Role role) {
  const Mnemonic mnemonic = ParseMnemonic(caption);
  screen.Text(row, col, mnemonic.shown, cells, role);
  if (mnemonic.glyph < 0) return;
  const std::vector<Glyph> glyphs = Glyphs(mnemonic.shown, screen.Unicode());
  int at = 0;
  for (int i = 0; i < mnemonic.glyph && i < static_cast<int>(glyphs.size()); ++i) {
    at += glyphs[static_cast<size_t>(i)].cells;
  }
  if (mnemonic.glyph >= static_cast<int>(glyphs.size()) || at >= cells) return;
  attrset(screen.Attribute(role) | screen.Attribute(Role::kMnemonic));
  mvaddstr(row, col + at, glyphs[static_cast<size_t>(mnemonic.glyph)].bytes.c_str());
  attrset(A_NORMAL);
}

}  // namespace lumora::terminal
