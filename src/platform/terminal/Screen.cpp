#include "platform/terminal/Screen.h"

#include <curses.h>
#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <term.h>
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/terminal/TextCells.h"

namespace lumora::terminal {
namespace {

std::atomic<int> endSignal{0};
std::atomic<bool> started{false};

void OnEnd(int signal) {
  endSignal = signal;
}

// A crash inside the session: give the terminal back, then let the signal do what it does.
void OnCrash(int signal) {
  if (started.exchange(false)) {
    endwin();
    static const char kShow[] = "\033[?25h";
    (void)!::write(STDOUT_FILENO, kShow, sizeof kShow - 1);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

struct sigaction previous[NSIG];

void Install(int signal, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a read in progress returns so the loop sees the flag
  ::sigaction(signal, &action, &previous[signal]);
}

// After a read gave nothing: whether standard input has ended for good rather than merely
// had no key in time. A hung-up terminal polls as hung up or in error; one at end of file
// polls as readable with nothing to read. A key that arrived since the read counts as a key.
bool InputGone() {
  if (::isatty(STDIN_FILENO) == 0) return true;
  pollfd p{STDIN_FILENO, POLLIN, 0};
  if (::poll(&p, 1, 0) <= 0) return false;
  if ((p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return true;
  int pending = 0;
  return ::ioctl(STDIN_FILENO, FIONREAD, &pending) == 0 && pending == 0;
}

// Home and End as terminals send them: terminfo names some of these sequences for other keys
// (xterm-256color inside tmux sends "\e[1~" and "\e[4~", which it lists as Find and Select)
// and some not at all; each becomes Home or End.
constexpr struct {
  const char* sequence;
  int key;
} kHomeAndEnd[] = {{"\033[1~", KEY_HOME}, {"\033[7~", KEY_HOME}, {"\033[H", KEY_HOME},
                   {"\033OH", KEY_HOME},  {"\033[4~", KEY_END},  {"\033[8~", KEY_END},
                   {"\033[F", KEY_END},   {"\033OF", KEY_END}};

int AsHomeOrEnd(int code) {
  switch (code) {
    case KEY_FIND:
    case KEY_A1:  // the keypad's 7
      return KEY_HOME;
    case KEY_SELECT:
    case KEY_C1:  // the keypad's 1
      return KEY_END;
    default:
      return code;
  }
}

enum Pair : short { kPairTitle = 1, kPairField, kPairButton, kPairFocus, kPairPanel, kPairFrame };

}  // namespace

std::string WhyNoTerminal() {
  if (::isatty(STDIN_FILENO) == 0 || ::isatty(STDOUT_FILENO) == 0) {
    return "standard input and output are not both a terminal";
  }
  const char* term = std::getenv("TERM");
  if (term == nullptr || *term == '\0') return "TERM is not set, so the terminal type is unknown";
  if (std::strcmp(term, "dumb") == 0) {
    return "TERM=dumb cannot place text on the screen; set TERM to your terminal's type (for "
           "example TERM=xterm-256color)";
  }
  int error = 0;
  if (::setupterm(term, STDOUT_FILENO, &error) != OK) {
    return std::string("the terminal type TERM=") + term +
           " is unknown here (no terminfo entry; the package ncurses-term has more)";
  }
  TERMINAL* probed = cur_term;
  const bool canMove = tigetstr(const_cast<char*>("cup")) != nullptr &&
                       tigetstr(const_cast<char*>("cup")) != reinterpret_cast<char*>(-1);
  ::del_curterm(probed);
  cur_term = nullptr;
  if (!canMove) {
    return std::string("the terminal type TERM=") + term + " cannot place text on the screen";
  }
  return {};
}

Screen::Screen() {
  if (const std::string why = WhyNoTerminal(); !why.empty()) throw std::runtime_error(why);
  // Only the character type: the wizard's own number and text handling stays in the C locale.
  if (const char* was = std::setlocale(LC_CTYPE, nullptr)) previousCtype_ = was;
  std::setlocale(LC_CTYPE, "");
  unicode_ = std::strcmp(::nl_langinfo(CODESET), "UTF-8") == 0;
  endSignal = 0;
  for (const int signal : kEndSignals) Install(signal, OnEnd);
  for (const int signal : kCrashSignals) Install(signal, OnCrash);
  set_escdelay(25);
  // newterm rather than initscr, which would end the process when it fails.
  screen_ = newterm(nullptr, stdout, stdin);
  if (screen_ == nullptr) {
    for (const int signal : kCrashSignals) ::sigaction(signal, &previous[signal], nullptr);
    for (const int signal : kEndSignals) ::sigaction(signal, &previous[signal], nullptr);
    std::setlocale(LC_CTYPE, previousCtype_.c_str());
    throw std::runtime_error("the terminal could not be started");
  }
  set_term(screen_);
  started = true;
  cbreak();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  for (const auto& key : kHomeAndEnd) {
    if (key_defined(key.sequence) == 0) define_key(key.sequence, key.key);
  }
  intrflush(stdscr, FALSE);
  mousemask(BUTTON1_CLICKED | BUTTON1_PRESSED | BUTTON4_PRESSED | BUTTON5_PRESSED, nullptr);
  mouseinterval(0);
  const char* noColour = std::getenv("NO_COLOR");
  colour_ = (noColour == nullptr || *noColour == '\0') && has_colors();
  if (colour_) {
    start_color();
    use_default_colors();
    init_pair(kPairTitle, COLOR_WHITE, COLOR_BLUE);
    init_pair(kPairField, COLOR_BLACK, COLOR_CYAN);
    init_pair(kPairButton, COLOR_BLACK, COLOR_WHITE);
    init_pair(kPairFocus, COLOR_WHITE, COLOR_RED);
    init_pair(kPairPanel, COLOR_BLUE, -1);
    init_pair(kPairFrame, COLOR_CYAN, -1);
  }
  curs_set(0);
}

Screen::~Screen() {
  if (started.exchange(false)) {
    curs_set(1);
    endwin();
  }
  delscreen(screen_);
  std::setlocale(LC_CTYPE, previousCtype_.c_str());
  for (const int signal : kCrashSignals) ::sigaction(signal, &previous[signal], nullptr);
  for (const int signal : kEndSignals) ::sigaction(signal, &previous[signal], nullptr);
}

int Screen::EndSignal() {
  return endSignal;
}

Key Screen::Read(int millis) {
  if (endSignal != 0) return {Key::kEnd};
  timeout(millis);
  wint_t value = 0;
  int got = get_wch(&value);
  if (endSignal != 0) return {Key::kEnd};
  if (got == ERR) {
    // A terminal that has gone away reads as an endless end of file: a hangup the kernel did
    // not signal (the terminal is not this process's controlling one, or SIGHUP was not sent).
    if (InputGone()) {
      endSignal = SIGHUP;
      return {Key::kEnd};
    }
    return {Key::kNone};
  }
  if (got == KEY_CODE_YES) return {Key::kCode, AsHomeOrEnd(static_cast<int>(value))};
  if (value == 27) {
    // Escape, or Alt+key as terminals send it: Escape and the key at once.
    timeout(30);
    wint_t next = 0;
    const int more = get_wch(&next);
    if (more == OK && next != 27) return {Key::kChar, static_cast<int>(next), true};
    if (more == KEY_CODE_YES) return {Key::kCode, AsHomeOrEnd(static_cast<int>(next)), true};
    if (more == OK) unget_wch(static_cast<wchar_t>(next));  // Escape twice: the second waits
  }
  return {Key::kChar, static_cast<int>(value)};
}

int Screen::Attribute(Role role) const {
  switch (role) {
    case Role::kTitle:
      return colour_ ? COLOR_PAIR(kPairTitle) | A_BOLD : A_BOLD;
    case Role::kField:
      return colour_ ? COLOR_PAIR(kPairField) : A_UNDERLINE;
    case Role::kButton:
      return colour_ ? COLOR_PAIR(kPairButton) : A_NORMAL;
    case Role::kFocus:
      return colour_ ? COLOR_PAIR(kPairFocus) | A_BOLD | A_REVERSE : A_REVERSE;
    case Role::kDisabled:
      return A_DIM;
    case Role::kMnemonic:
      return A_UNDERLINE | A_BOLD;
    case Role::kPanel:
      return colour_ ? COLOR_PAIR(kPairPanel) : A_NORMAL;
    case Role::kFrame:
      return colour_ ? COLOR_PAIR(kPairFrame) : A_NORMAL;
    case Role::kNormal:
      break;
  }
  return A_NORMAL;
}

void Screen::Box(int row, int col, int rows, int cols, Role role) const {
  if (rows < 2 || cols < 2) return;
  const char* corners[4] = {"+", "+", "+", "+"};
  const char* across = "-";
  const char* down = "|";
  if (unicode_) {
    corners[0] = "\xE2\x94\x8C";
    corners[1] = "\xE2\x94\x90";
    corners[2] = "\xE2\x94\x94";
    corners[3] = "\xE2\x94\x98";
    across = "\xE2\x94\x80";
    down = "\xE2\x94\x82";
  }
  attrset(Attribute(role));
  for (int c = 1; c < cols - 1; ++c) {
    mvaddstr(row, col + c, across);
    mvaddstr(row + rows - 1, col + c, across);
  }
  for (int r = 1; r < rows - 1; ++r) {
    mvaddstr(row + r, col, down);
    mvaddstr(row + r, col + cols - 1, down);
  }
  mvaddstr(row, col, corners[0]);
  mvaddstr(row, col + cols - 1, corners[1]);
  mvaddstr(row + rows - 1, col, corners[2]);
  mvaddstr(row + rows - 1, col + cols - 1, corners[3]);
  attrset(A_NORMAL);
}

void Screen::HLine(int row, int col, int cols, Role role) const {
  attrset(Attribute(role));
  for (int c = 0; c < cols; ++c) mvaddstr(row, col + c, unicode_ ? "\xE2\x94\x80" : "-");
  attrset(A_NORMAL);
}

void Screen::Text(int row, int col, const std::string& text, int cells, Role role) const {
  if (cells <= 0) return;
  attrset(Attribute(role));
  mvaddstr(row, col, FitCells(text, cells, unicode_).c_str());
  attrset(A_NORMAL);
}

void Screen::PlaceCursor(int row, int col) {
  if (!cursorShown_) curs_set(1);
  cursorShown_ = true;
  move(row, col);
}

void Screen::HideCursor() {
  if (cursorShown_) curs_set(0);
  cursorShown_ = false;
}

}  // namespace lumora::terminal
