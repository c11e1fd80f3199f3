#include "platform/terminal/TerminalRenderer.h"

#include <curses.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/forms/Form.h"
#include "platform/terminal/FormView.h"
#include "platform/terminal/HelpPager.h"
#include "platform/terminal/Screen.h"
#include "platform/terminal/TextCells.h"

namespace lumora::terminal {
namespace {

struct Choice {
  const char* caption;
  int16_t answer;
};

// The classic button sets (the low bits of Buttons) with their answers; the last one is the
// box's escape answer.
std::vector<Choice> ChoicesOf(int32_t buttons) {
  switch (buttons & 0x7) {
    case 1:
      return {{"&OK", 1}, {"&Cancel", 2}};
    case 2:
      return {{"&Abort", 3}, {"&Retry", 4}, {"&Ignore", 5}};
    case 3:
      return {{"&Yes", 6}, {"&No", 7}, {"&Cancel", 2}};
    case 4:
      return {{"&Yes", 6}, {"&No", 7}};
    case 5:
      return {{"&Retry", 4}, {"&Cancel", 2}};
    default:
      return {{"&OK", forms::kVbOK}};
  }
}

}  // namespace

TerminalRenderer::TerminalRenderer() : screen_(std::make_unique<Screen>()) {}

TerminalRenderer::~TerminalRenderer() = default;

int TerminalRenderer::EndSignal() {
  return Screen::EndSignal();
}

void TerminalRenderer::Redraw() {
  if (view_ != nullptr) {
    view_->Draw();
  } else {
    erase();
  }
}

void TerminalRenderer::RunModal(forms::Form& form) {
  if (!form.IsLoaded()) return;
  if (Screen::EndSignal() != 0) {
    form.Unload(forms::kAppWindows);
    return;
  }
  FormView view(form, *screen_);
  FormView* outer = view_;
  view_ = &view;
  view.Run();
  view_ = outer;
  if (form.IsLoaded()) form.Unload(forms::kAppWindows);
}

int16_t TerminalRenderer::MsgBox(const std::string& prompt, int32_t buttons,
                                 const std::string& title) {
  const std::vector<Choice> choices = ChoicesOf(buttons);
  const bool unicode = screen_->Unicode();
  size_t chosen = 0;
  for (;;) {
    if (Screen::EndSignal() != 0) return choices.back().answer;
    Redraw();
    int buttonCells = 0;
    for (const Choice& choice : choices) {
      buttonCells += CellWidth(ParseMnemonic(choice.caption).shown, unicode) + 5;
    }
    const int width = std::clamp(std::max(buttonCells, CellWidth(prompt, unicode)) + 4, 30,
                                 std::max(30, std::min(72, COLS - 2)));
    const std::vector<std::string> lines = WrapCells(prompt, width - 4, unicode);
    const int height = static_cast<int>(lines.size()) + 4;
    const int row = std::max(0, (LINES - height) / 2);
    const int col = std::max(0, (COLS - width) / 2);
    for (int r = 0; r < height; ++r) screen_->Text(row + r, col, "", width, Role::kButton);
    screen_->Box(row, col, height, width, Role::kButton);
    const std::string caption = " " + (title.empty() ? std::string("Lumora") : title) + " ";
    const int titleCells = std::min(width - 4, CellWidth(caption, unicode));
    screen_->Text(row, col + (width - titleCells) / 2, caption, titleCells, Role::kTitle);
    for (size_t i = 0; i < lines.size(); ++i) {
      screen_->Text(row + 1 + static_cast<int>(i), col + 2, lines[i], width - 4, Role::kButton);
    }
    int at = col + (width - buttonCells) / 2;
    int chosenAt = at;
    for (size_t i = 0; i < choices.size(); ++i) {
      const std::string face = "< " + ParseMnemonic(choices[i].caption).shown + " >";
      screen_->Text(row + height - 2, at, face, CellWidth(face, unicode),
                    i == chosen ? Role::kFocus : Role::kButton);
      if (i == chosen) chosenAt = at;
      at += CellWidth(face, unicode) + 1;
    }
    // On the chosen answer, where a screen reader reads it.
    screen_->PlaceCursor(row + height - 2, chosenAt);
    refresh();
    const Key key = screen_->Read(250);
    if (key.kind == Key::kEnd) return choices.back().answer;
    if (key.kind == Key::kNone) continue;
    const int ch = key.kind == Key::kChar ? key.value : 0;
    const int code = key.kind == Key::kCode ? key.value : 0;
    if (ch == 27 && !key.alt) return choices.back().answer;
    if (ch == 13 || ch == '\n' || ch == ' ' || code == KEY_ENTER) return choices[chosen].answer;
    if (ch == '\t' || code == KEY_RIGHT) chosen = (chosen + 1) % choices.size();
    if (code == KEY_BTAB || code == KEY_LEFT)
      chosen = (chosen + choices.size() - 1) % choices.size();
    if (ch > 0 && ch < 128 && std::isalpha(ch)) {
      for (const Choice& choice : choices) {
        if (ParseMnemonic(choice.caption).letter == std::tolower(ch)) return choice.answer;
      }
    }
  }
}

void TerminalRenderer::ShowHelp(const std::string& helpFile, int32_t contextId) {
  if (Screen::EndSignal() != 0) return;
  HelpPager pager(*screen_, helpFile);
  pager.Show(contextId);
}

}  // namespace lumora::terminal
