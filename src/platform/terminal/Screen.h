// The terminal while the wizard uses it: curses started on standard input and output (wide
// characters, keypad, mouse, a short escape delay so that Alt keys arrive as Escape and a
// key), the palette, and the promise that every way out restores the terminal: the normal end,
// SIGINT, SIGTERM and SIGHUP (which only set a flag the event loop reads), an input that ends
// for good without any signal (read as a hangup), and a crash (the handler restores the
// terminal, then the signal takes its course). One Screen at a time. Home and End read as such
// whichever of the usual sequences the terminal sends for them.
#pragma once

#include <string>

struct screen;

namespace lumora::terminal {

// Why the wizard cannot be shown in this terminal ("" when it can): standard input or output
// is not a terminal, TERM is unset, "dumb" or has no terminfo entry.
std::string WhyNoTerminal();

// What a key read gives: a character typed, a curses key code, nothing within the wait, or the
// end of the session (a signal or the terminal gone).
struct Key {
  enum Kind { kNone, kChar, kCode, kEnd } kind = kNone;
  int value = 0;     // the character (a wchar_t) or the curses key code
  bool alt = false;  // the character came after Escape (Alt+key)
};

// The attributes of the screen's roles, in colour or, without, in plain video.
enum class Role { kNormal, kTitle, kFrame, kField, kButton, kFocus, kDisabled, kMnemonic, kPanel };

class Screen {
 public:
  // Starts curses; throws std::runtime_error saying why when the terminal cannot be used.
  Screen();
  ~Screen();
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  // Waits up to `millis` for a key (-1: until one comes).
  Key Read(int millis);
  // The signal that ended the session (SIGHUP, SIGINT, SIGTERM), or 0. Standard input ending
  // for good (a hangup without the signal) counts as SIGHUP.
  static int EndSignal();
  bool Unicode() const { return unicode_; }
  int Attribute(Role role) const;

  // Box drawing in the locale's characters (ASCII where it is not UTF-8).
  void Box(int row, int col, int rows, int cols, Role role) const;
  void HLine(int row, int col, int cols, Role role) const;
  // Draws `text` at row, col in `cells` cells (cut and padded), with the attribute of `role`.
  void Text(int row, int col, const std::string& text, int cells, Role role) const;

  // The hardware cursor shown at row, col (where the focus is: a screen reader follows it), or
  // hidden when nothing has the focus. Its visibility changes only when it must.
  void PlaceCursor(int row, int col);
  void HideCursor();

 private:
  struct screen* screen_ = nullptr;
  std::string previousCtype_ = "C";
  bool unicode_ = false;
  bool colour_ = false;
  bool cursorShown_ = false;
};

}  // namespace lumora::terminal
