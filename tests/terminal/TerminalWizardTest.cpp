// The wizard in a real terminal: tmux runs `lumora wizard` in a pane of a given size, keys are
// typed with send-keys and the screen is read with capture-pane. Each case checks the lines
// that matter on the way, then how the program ended, what became of the object, and that
// the terminal's settings are what they were before (stty -a). Where the wizard cannot be shown
// at all, it says why and how to go on: the cases wizard-without-a-display-or-a-terminal,
// wizard-in-a-terminal-without-one, wizard-in-a-window-without-a-display,
// usage-script-and-ui-together and usage-ui-unknown of tests/e2e/cases.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/RunProcess.h"

namespace lumora::testing {
namespace {

// One step of a case: an action, then, unless empty, a text the screen must show, one that
// must have left it and one whose first cell the (shown) cursor must be on.
// tests/data/terminal/cases.txt says how the cases are written.
struct Step {
  std::string action, expect, gone, cursorOn;
};

struct Case {
  std::string name;
  int cols = 80, rows = 24;
  std::string env;  // assignments put before the program; "<$INPUT" as the file says
  std::vector<Step> steps;
  int exitStatus = 0;
  std::string script;    // the same actions as a script; "" for an object left untouched
  bool colour = true;    // whether the screen may show colours
  bool aligned = false;  // every line of the form is exactly as wide as the terminal
  std::string objectText = ReadFile("examples/object.json");  // the design object
};

// A terminal whose other end the test holds: closing that end makes every read of the wizard's
// end fail for good, and no hangup signal comes, as it is no process's controlling terminal.
class SpareTerminal {
 public:
  SpareTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);  // no tmux server keeps it
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
      ADD_FAILURE() << "no pseudo-terminal";
      return;
    }
    name_ = ::ptsname(master_);
  }
  ~SpareTerminal() { Close(); }
  const std::string& name() const { return name_; }
  void Close() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string name_;
};

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Asks `done` every tenth of a second for ten seconds; whether it said yes.
bool Poll(const std::function<bool()>& done) {
  for (int i = 0; i < 100; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

class Tmux {
 public:
  Tmux(const TempDir& dir, int cols, int rows, const std::string& command)
      : socket_(dir.File("tmux.sock")) {
    Run("new-session -d -x " + std::to_string(cols) + " -y " + std::to_string(rows) + " " +
        Quote(command));
  }
  ~Tmux() { std::system(("tmux -S " + socket_ + " kill-server 2>/dev/null").c_str()); }

  std::string Run(const std::string& arguments) const {
    return Shell("LC_ALL=C.UTF-8 tmux -S " + socket_ + " " + arguments);
  }
  std::string Screen(bool escapes = false) const {
    return Run(std::string("capture-pane -p") + (escapes ? " -e" : ""));
  }
  // Polls the screen until it shows `text` (or no longer does); the screen last seen otherwise.
  bool WaitFor(const std::string& text, std::string* seen, bool shown = true) const {
    return Poll([&] { return ((*seen = Screen()).find(text) != std::string::npos) == shown; });
  }

 private:
  std::string socket_;
};

bool WaitForFile(const std::string& path) {
  return Poll([&] { return !ReadFile(path).empty(); });
}

int CellsOf(const std::string& line) {
  std::mbstate_t state{};
  const char* from = line.c_str();
  std::vector<wchar_t> wide(line.size() + 1);
  const size_t count = std::mbsrtowcs(wide.data(), &from, wide.size(), &state);
  if (count == static_cast<size_t>(-1)) return -1;
  return ::wcswidth(wide.data(), count);
}

// The cases of tests/data/terminal/cases.txt; a run without them stops, lest no case run.
std::vector<Case> LoadCases() {
  std::map<std::string, std::vector<Step>> lists;
  std::vector<Case> cases;
  std::vector<Step>* steps = nullptr;
  for (const std::string& line : Lines(ReadFile("tests/data/terminal/cases.txt"))) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first.empty() || first[0] == '#') continue;
    if (first == "steps") {
      words >> first;
      steps = &lists[first];
    } else if (first == "case") {
      Case& c = cases.emplace_back();
      char x;
      words >> c.name >> c.cols >> x >> c.rows >> c.exitStatus;
      for (std::string option; words >> option;) {
        const std::string value = option.substr(option.find('=') + 1);
        if (option.starts_with("env=")) c.env = value;
        if (option.starts_with("object=")) c.objectText = ReadFile(value);
        if (option.starts_with("script=")) c.script = ReadFile(value);
        c.colour = c.colour && option != "no-colour";
        c.aligned = c.aligned || option == "aligned";
      }
      steps = &c.steps;
    } else if (first[0] == '@') {
      steps->insert(steps->end(), lists.at(first.substr(1)).begin(),
                    lists.at(first.substr(1)).end());
    } else {
      // Fields end at " |", and one space after the bar goes with it: "A | | | C" has two empty.
      std::vector<std::string> f;
      for (size_t from = 0, at = 0; at != std::string::npos; from = at + 2) {
        at = line.find(" |", from);
        std::string text = line.substr(from, at - from);
        if (from > 0 && text.starts_with(' ')) text.erase(0, 1);
        if (text.size() > 1 && text.front() == '"' && text.back() == '"')
          text = text.substr(1, text.size() - 2);
        f.push_back(text);
      }
      f.resize(4);
      steps->push_back({f[0], f[1], f[2], f[3]});
    }
  }
  if (cases.empty()) {
    std::fprintf(stderr, "no cases read from tests/data/terminal/cases.txt\n");
    std::exit(1);
  }
  return cases;
}

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class TerminalWizard : public ::testing::TestWithParam<Case> {};

TEST_P(TerminalWizard, shouldShowActAndLeaveTheObjectAndTheTerminalAsAPersonExpects) {
  SKIP_WITHOUT("tmux", "stty");
  std::setlocale(LC_ALL, "C.UTF-8");  // for the cells a line of the screen takes
  const Case& c = GetParam();
  TempDir dir;
  const std::string& original = c.objectText;
  dir.Write("object.json", original);
  SpareTerminal input;
  std::string env = c.env;
  if (const size_t at = env.find("$INPUT"); at != std::string::npos) {
    env.replace(at, 6, input.name());
  }
  const std::string wizard = "env -u DISPLAY -u WAYLAND_DISPLAY " + env + " " + Lumora() +
                             " wizard " + dir.File("object.json") + " --registry none";
  const std::string command = "cd " + dir.path() + " && stty -a > before; sh -c " +
                              Quote("echo $$ > pid; exec " + wizard) +
                              "; echo $? > rc; stty -a > after; echo THE-END; sleep 600";
  Tmux tmux(dir, c.cols, c.rows, command);
  std::string seen;
  ASSERT_TRUE(c.exitStatus == 2 || tmux.WaitFor("Lumora", &seen)) << seen;

  for (const Step& step : c.steps) {
    const std::string kind = step.action.substr(0, step.action.find(':') + 1);
    const std::string what = step.action.substr(kind.size());
    if (kind == "keys:") {
      std::istringstream keys(what);
      for (std::string key; keys >> key;) {
        tmux.Run("send-keys " + key);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
      }
    } else if (kind == "text:") {
      tmux.Run("send-keys -l " + Quote(what));
    } else if (kind == "click:" || kind == "wheel-up:" || kind == "wheel-down:") {
      const std::vector<std::string> lines = Lines(tmux.Screen());
      const auto row = std::ranges::find_if(
          lines, [&](const std::string& line) { return line.find(what) != std::string::npos; });
      ASSERT_NE(row, lines.end()) << "no " << what << " on the screen to click";
      const int x = 33 + CellsOf(row->substr(0, row->find(what)));
      const int y = 33 + static_cast<int>(row - lines.begin());
      char press[64];  // a click presses and lets go; the wheel (buttons 4 and 5) only presses
      const int button = kind == "click:" ? 0x20 : kind == "wheel-up:" ? 0x60 : 0x61;
      const int n = std::snprintf(press, sizeof press, "1b 5b 4d %x %x %x", button, x, y);
      if (kind == "click:") std::snprintf(press + n, sizeof press - n, " 1b 5b 4d 23 %x %x", x, y);
      tmux.Run(std::string("send-keys -H ") + press);
    } else if (kind == "bytes:") {
      tmux.Run("send-keys -H " + what);
    } else if (kind == "signal:") {
      ASSERT_TRUE(WaitForFile(dir.File("pid")));
      Shell("kill -" + what + " " + ReadFile(dir.File("pid")));
    } else if (kind == "close:") {
      input.Close();
    } else if (kind == "resize:") {
      const size_t x = what.find('x');
      tmux.Run("resize-window -x " + what.substr(0, x) + " -y " + what.substr(x + 1));
    }
    if (!step.expect.empty()) {
      EXPECT_TRUE(tmux.WaitFor(step.expect, &seen))
          << "after " << step.action << ", no \"" << step.expect << "\" on the screen:\n"
          << seen;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_TRUE(step.gone.empty() || tmux.WaitFor(step.gone, &seen, false))
        << "after " << step.action << ", \"" << step.gone << "\" is still on the screen:\n"
        << seen;
    if (!step.cursorOn.empty()) {
      // The first cell of the text, in cells from the left, against where tmux has the cursor.
      std::string where, cursor;
      const bool on = Poll([&] {
        const bool cell = std::regex_match(step.cursorOn, std::regex("[0-9]+,[0-9]+"));
        const std::vector<std::string> lines =
            cell ? std::vector<std::string>{} : Lines(tmux.Screen());
        where = cell ? step.cursorOn + " 1" : "no \"" + step.cursorOn + "\" on the screen";
        for (size_t y = 0; y < lines.size(); ++y) {
          const size_t x = lines[y].find(step.cursorOn);
          if (x == std::string::npos) continue;
          where = std::to_string(CellsOf(lines[y].substr(0, x))) + "," + std::to_string(y) + " 1";
          break;
        }
        cursor = tmux.Run("display -p '#{cursor_x},#{cursor_y} #{cursor_flag}'");
        return cursor == where + "\n";
      });
      EXPECT_TRUE(on) << "after " << step.action << ", the cursor (x,y shown) is at " << cursor
                      << "not on \"" << step.cursorOn << "\" (" << where << "):\n"
                      << tmux.Screen();
    }
    for (const std::string& line : c.aligned ? Lines(tmux.Screen()) : std::vector<std::string>{})
      EXPECT_EQ(line.starts_with("\xE2\x94\x82") ? CellsOf(line) : c.cols, c.cols) << line;
    const std::string escapes = tmux.Screen(true);
    const bool coloured =
        std::regex_search(escapes, std::regex("\x1b\\[([0-9;]*;)?(3[0-7]|4[0-7]|38;5|48;5)[;m]"));
    if (!c.colour) {
      EXPECT_FALSE(coloured) << "colours shown under NO_COLOR after " << step.action;
      EXPECT_TRUE(step.expect.empty() ||
                  std::regex_search(escapes, std::regex("\x1b\\[([0-9;]*;)?7[;m]")))
          << "no focus in reverse video after " << step.action;
    }
  }

  ASSERT_TRUE(WaitForFile(dir.File("rc"))) << tmux.Screen();
  ASSERT_TRUE(tmux.WaitFor("THE-END", &seen));
  EXPECT_EQ(std::atoi(ReadFile(dir.File("rc")).c_str()), c.exitStatus) << seen;
  // The settings, without the first line (the size, which a case may change).
  const auto settings = [&](const char* name) {
    const std::string all = ReadFile(dir.File(name));
    return all.substr(all.find('\n') + 1);
  };
  EXPECT_EQ(settings("before"), settings("after")) << "the terminal's settings changed";
  EXPECT_EQ(tmux.Run("display -p '#{alternate_on} #{cursor_flag}'"), "0 1\n")
      << "the alternate screen is still on or the cursor hidden";
  if (c.script.empty()) {
    EXPECT_EQ(ReadFile(dir.File("object.json")), original) << "the object was written";
  } else {
    dir.Write("scripted.json", original);
    dir.Write("session.script", c.script);
    const ProcessResult scripted =
        RunProcess(Lumora(), {"wizard", dir.File("scripted.json"), "--script",
                              dir.File("session.script"), "--registry", "none"});
    ASSERT_EQ(scripted.exitStatus, 0) << scripted.err;
    EXPECT_EQ(ReadFile(dir.File("object.json")), ReadFile(dir.File("scripted.json")));
    EXPECT_NE(ReadFile(dir.File("object.json")), original);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, TerminalWizard, ::testing::ValuesIn(LoadCases()),
                         [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace lumora::testing
