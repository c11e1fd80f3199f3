// The wizard in a real terminal: tmux runs `lumora wizard` in a pane of a given size, keys are
// typed with send-keys and the screen is read with capture-pane. Each case checks the lines
// that matter on the way, then how the program ended, what became of the object, and that
// the terminal's settings are what they were before (stty -a).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/RunProcess.h"

namespace lumora::testing {
namespace {

// One step: "keys:A B C" (tmux key names), "text:..." (typed literally), "click:TEXT" (the left
// mouse button on the first cell of TEXT on the screen, as an xterm reports it), "wheel-up:TEXT"
// and "wheel-down:TEXT" (the mouse wheel turned once over it), "signal:HUP" (sent to the
// wizard's process), "close:input" (the test closes its end of the wizard's input terminal) or
// "resize:COLSxROWS"; then, unless empty, a text the screen must show.
struct Step {
  std::string action;
  std::string expect;
  std::string gone = {};  // a text that must have left the screen
};

enum class Object { kUntouched, kAsScript };

struct Case {
  const char* name;
  int cols = 80, rows = 24;
  // Assignments put before the program, "" for none; "<$INPUT" gives the wizard a standard
  // input terminal of its own (not its controlling one), whose other end the test holds.
  std::string env;
  std::vector<Step> steps;
  int exitStatus = 0;
  Object object = Object::kUntouched;
  std::string script;           // for kAsScript: the same actions as a script
  bool colour = true;           // whether the screen may show colours
  bool aligned = false;         // every line of the form is exactly as wide as the terminal
  std::string objectText = {};  // the design object; "" for examples/object.json
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

// An object storing `count` unselected data sources, "Source 01" on.
std::string ManyDataSources(int count) {
  std::string names, infos, flags, types;
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "\"Source %02d\"", i);
    const char* comma = i == 1 ? "" : ",";
    names += comma + std::string(name);
    infos += comma + std::string("\"DriverName=SQL Server\"");
    flags += comma + std::string("false");
    types += comma + std::string("\"user\"");
  }
  return "{\"properties\":{\"DataSources\":[" + names + "],\"DataSourcesInfo\":[" + infos +
         "],\"DataSourcesSelections\":[" + flags + "],\"DataSourcesTypes\":[" + types +
         "],\"DataSourcesUninstFlags\":[" + flags + "]}}\n";
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
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
    for (int i = 0; i < 100; ++i) {
      *seen = Screen();
      if ((seen->find(text) != std::string::npos) == shown) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

 private:
  std::string socket_;
};

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 100; ++i) {
    if (::access(path.c_str(), F_OK) == 0 && !ReadFile(path).empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

int CellsOf(const std::string& line) {
  std::mbstate_t state{};
  const char* from = line.c_str();
  std::vector<wchar_t> wide(line.size() + 1);
  const size_t count = std::mbsrtowcs(wide.data(), &from, wide.size(), &state);
  if (count == static_cast<size_t>(-1)) return -1;
  return ::wcswidth(wide.data(), count);
}

// The whole session of the README: tick a driver, open Advanced, add an attribute line, go to the
// data sources, add one by name, make it a system data source removed on uninstall, see the
// summary, Finish.
const std::vector<Step> kSessionToSummary = {
    {"keys:Down Down Space", "[x] Microsoft ODBC for Oracle"},
    {"keys:Tab Tab Enter", "Lumora - Advanced Driver Attributes"},
    {"keys:Tab Down End Enter", ""},
    {"text:CPTimeout=60", "CPTimeout=60"},
    {"keys:M-c", "Lumora - Step 1"},
    {"keys:M-n", "Lumora - Step 2"},
    {"keys:Tab Enter", "Lumora - Advanced Data Source Attributes"},
    {"keys:Tab Tab Tab Tab Tab", ""},
    {"text:Sales", ""},
    {"keys:Tab Enter", "Sales "},
    {"keys:M-s Tab Space", "[x] Uninstall data source with application."},
    {"keys:M-c", "Lumora - Step 2"},
    {"keys:M-n", "Lumora - Summary"},
};

const char* kSessionScript =
    "tick lvwDrivers \"Microsoft ODBC for Oracle\"\n"
    "click cmdDrvAdv\n"
    "type txtDrvAttrib \"Driver=<WINSYSDIR>\\\\sqlsrv32.dll\\r\\nSetup=<WINSYSDIR>\\\\sqlsrv32.dll"
    "\\r\\nCPTimeout=60\"\n"
    "click cmdNav(3)\nclick cmdNav(3)\nclick cmdDSNAdv\n"
    "type txtNewDSN \"Sales\"\nclick cmdAddDSN\nclick optSystemDSN\nclick chkUninstDSN\n"
    "click cmdNav(3)\nclick cmdNav(3)\nclick cmdNav(3)\n";

std::vector<Step> Then(std::vector<Step> steps, std::vector<Step> more) {
  steps.insert(steps.end(), more.begin(), more.end());
  return steps;
}

const std::vector<Case> kCases = {
    {"WholeSessionByKeyboard", 80, 24, "", Then(kSessionToSummary, {{"keys:M-f", ""}}), 0,
     Object::kAsScript, kSessionScript},
    {"CancelButton", 80, 24, "", {{"keys:Down Space BTab BTab", ""}, {"keys:Enter", ""}}, 1},
    {"EscapeAfterChanges",
     80,
     24,
     "",
     {{"keys:Down Space", "[ ] Microsoft Access"}, {"keys:Escape", ""}},
     1},
    {"EscapeOnTheSummary", 80, 24, "", Then(kSessionToSummary, {{"keys:Escape", ""}}), 1},
    {"DropDownList",
     80,
     24,
     "",
     {{"keys:Tab Space", "Desktop Database Drivers 4.0"},
      {"keys:Down Enter", "Desktop Database Drivers 4.0", "Desktop Database Drivers 3.5"},
      {"keys:Up", "Desktop Database Drivers 3.5", "Desktop Database Drivers 4.0"},
      {"keys:Escape", ""}},
     1},
    {"MessageBoxAnsweredByKey",
     80,
     24,
     "",
     {{"keys:M-n Tab Enter Tab Tab Tab Tab Tab", "Lumora - Advanced Data Source Attributes"},
      {"text:Orders", ""},
      {"keys:Tab Enter", "'Orders' is already in the data sources list."},
      {"keys:Enter", "Lumora - Advanced Data Source Attributes", "is already in the"},
      {"keys:Escape", ""}},
     1},
    {"AsciiLinesWithoutUtf8",
     80,
     24,
     "LC_ALL=C",
     {{"", "------ Lumora - Step 1 ------", "\xE2\x94\x80"}, {"keys:Escape", ""}},
     1},
    {"MouseClicks",
     80,
     24,
     "",
     {{"click:[ ] Microsoft ODBC", "[x] Microsoft ODBC for Oracle"},
      {"click:Next", "Lumora - Step 2"},
      {"click:Back", "Lumora - Step 1"},
      {"click:Help", "Help: Step 1: ODBC drivers"},
      {"keys:q", "Lumora - Step 1"},
      {"click:Cancel", ""}},
     1},
    {"HelpOnEveryPage",
     80,
     24,
     "",
     {{"keys:F1", "Help: Step 1: ODBC drivers"},
      {"keys:q", "Lumora - Step 1"},
      {"keys:Tab Tab Enter", "Lumora - Advanced Driver Attributes"},
      {"keys:F1", "Help: Advanced driver attributes"},
      {"keys:Escape", "Lumora - Advanced Driver Attributes"},
      {"keys:M-c M-n", "Lumora - Step 2"},
      {"keys:F1", "Help: Step 2: ODBC data sources"},
      {"keys:q", "Lumora - Step 2"},
      {"keys:Tab Enter", "Lumora - Advanced Data Source Attributes"},
      {"keys:F1", "Help: Advanced data source attributes"},
      {"keys:q M-c M-n", "Lumora - Summary"},
      {"keys:F1", "Help: Step 3: Summary"},
      {"keys:Tab Up Up Up Enter", "Help: Advanced driver attributes"},
      {"keys:q", "Lumora - Summary"},
      {"keys:Escape", ""}},
     1},
    {"SmallTerminalThenResized",
     60,
     20,
     "",
     {{"", "Lumora needs 80x24; this terminal is 60x20"},
      {"keys:Down Space", "Lumora needs 80x24"},
      {"resize:80x24", "Lumora - Step 1"},
      {"keys:Down Down Space", "[x] Microsoft ODBC for Oracle"},
      {"keys:Tab Tab Enter Tab Down End Enter", "Lumora - Advanced Driver Attributes"},
      {"text:Kept=1", "Kept=1"},
      {"resize:70x24", "this terminal is 70x24"},
      {"resize:80x24", "Kept=1"},
      {"keys:Escape", ""}},
     1},
    {"NoColour",
     80,
     24,
     "NO_COLOR=1",
     {{"", "Lumora - Step 1"}, {"keys:Escape", ""}},
     1,
     Object::kUntouched,
     "",
     false},
    {"WideCharactersKeepColumns",
     80,
     24,
     "LC_ALL=C.UTF-8",
     {{"keys:M-n Tab Enter", "Lumora - Advanced Data Source Attributes"},
      {"keys:Tab Tab Tab Tab Tab", ""},
      {"text:\xE8\xB2\xA9\xE5\xA3\xB2 Cafe\xCC\x81 \xE3\x83\x87\xE3\x83\xBC\xE3\x82\xBF", ""},
      {"keys:Tab Enter M-c", "[x] \xE8\xB2\xA9\xE5\xA3\xB2"},
      {"keys:Escape", ""}},
     1,
     Object::kUntouched,
     "",
     true,
     true},
    {"MouseWheelScrollsAList",
     80,
     24,
     "",
     {{"keys:M-n", "[ ] Source 01"},
      {"wheel-down:Source 03", ""},
      {"wheel-down:Source 03", ""},
      {"wheel-down:Source 03", ""},
      {"wheel-down:Source 03", "Source 13", "Source 05"},
      {"keys:Space", "[x] Source 13"},
      {"wheel-up:Source 10", ""},
      {"wheel-up:Source 10", ""},
      {"wheel-up:Source 10", ""},
      {"wheel-up:Source 10", "Source 01", "Source 13"},
      {"keys:Escape", ""}},
     1,
     Object::kUntouched,
     "",
     true,
     false,
     ManyDataSources(30)},
    {"InputEndsWithoutHangUp",
     80,
     24,
     "<$INPUT",
     {{"", "Lumora - Step 1"}, {"close:input", ""}},
     1},
    {"HangUpMidSession",
     80,
     24,
     "",
     {{"keys:Down Down Space M-n", "Lumora - Step 2"}, {"signal:HUP", ""}},
     1},
    {"InterruptMidSession",
     80,
     24,
     "",
     {{"keys:Down Down Space", "[x] Microsoft ODBC"}, {"signal:INT", ""}},
     1},
    {"TerminatedInHelp", 80, 24, "", {{"keys:F1", "Help:"}, {"signal:TERM", ""}}, 1},
    {"CrashMidSession", 80, 24, "", {{"keys:Down", ""}, {"signal:SEGV", ""}}, 128 + SIGSEGV},
    {"DumbTerminalRefused", 80, 24, "TERM=dumb", {{"", "TERM=dumb cannot place text"}}, 2},
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class TerminalWizard : public ::testing::TestWithParam<Case> {};

TEST_P(TerminalWizard, shouldShowActAndLeaveTheObjectAndTheTerminalAsAPersonExpects) {
  SKIP_WITHOUT("tmux", "stty");
  const Case& c = GetParam();
  TempDir dir;
  const std::string original =
      c.objectText.empty() ? ReadFile("examples/object.json") : c.objectText;
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
  if (c.exitStatus != 2) {
    ASSERT_TRUE(tmux.WaitFor("Lumora", &seen)) << seen;
  }

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
      std::setlocale(LC_ALL, "C.UTF-8");
      const std::vector<std::string> lines = Lines(tmux.Screen());
      bool clicked = false;
      for (size_t row = 0; row < lines.size() && !clicked; ++row) {
        const size_t at = lines[row].find(what);
        if (at == std::string::npos) continue;
        const int col = CellsOf(lines[row].substr(0, at));
        char press[64];
        if (kind == "click:") {
          std::snprintf(press, sizeof press, "1b 5b 4d 20 %x %x 1b 5b 4d 23 %x %x", 33 + col,
                        33 + static_cast<int>(row), 33 + col, 33 + static_cast<int>(row));
        } else {  // buttons 4 and 5 are the wheel, reported pressed only
          std::snprintf(press, sizeof press, "1b 5b 4d %x %x %x", kind == "wheel-up:" ? 0x60 : 0x61,
                        33 + col, 33 + static_cast<int>(row));
        }
        tmux.Run(std::string("send-keys -H ") + press);
        clicked = true;
      }
      ASSERT_TRUE(clicked) << "no " << what << " on the screen to click";
    } else if (kind == "signal:") {
      ASSERT_TRUE(WaitForFile(dir.File("pid")));
      const std::string pid = ReadFile(dir.File("pid"));
      Shell("kill -" + what + " " + pid);
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
    if (!step.gone.empty()) {
      EXPECT_TRUE(tmux.WaitFor(step.gone, &seen, false))
          << "after " << step.action << ", \"" << step.gone << "\" is still on the screen:\n"
          << seen;
    }
    if (c.aligned) {
      std::setlocale(LC_ALL, "C.UTF-8");
      for (const std::string& line : Lines(tmux.Screen())) {
        if (line.find("\xE2\x94\x82") == 0) {
          EXPECT_EQ(CellsOf(line), c.cols) << line;
        }
      }
    }
    const std::string escapes = tmux.Screen(true);
    const bool coloured =
        std::regex_search(escapes, std::regex("\x1b\\[([0-9;]*;)?(3[0-7]|4[0-7]|38;5|48;5)[;m]"));
    if (!c.colour) {
      EXPECT_FALSE(coloured) << "colours shown under NO_COLOR after " << step.action;
      if (!step.expect.empty()) {
        EXPECT_TRUE(std::regex_search(escapes, std::regex("\x1b\\[([0-9;]*;)?7[;m]")))
            << "no focus in reverse video after " << step.action;
      }
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
  if (c.object == Object::kUntouched) {
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

INSTANTIATE_TEST_SUITE_P(Cases, TerminalWizard, ::testing::ValuesIn(kCases),
                         [](const auto& param) { return std::string(param.param.name); });

// Where the wizard cannot be shown at all, it says why and how to go on, and writes nothing.
struct Refusal {
  const char* name;
  std::vector<std::string> args;
  std::string env;
  std::string says;
};

void PrintTo(const Refusal& r, std::ostream* os) {
  *os << r.name;
}

class TerminalRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(TerminalRefusal, shouldSayWhyAndHowToGoOnAndWriteNothing) {
  const Refusal& r = GetParam();
  TempDir dir;
  const std::string original = ReadFile("examples/object.json");
  dir.Write("object.json", original);
  std::string args;
  for (const std::string& arg : r.args) args += " " + arg;
  const ProcessResult result = RunProcess(
      "/bin/sh", {"-c", "env -u DISPLAY -u WAYLAND_DISPLAY " + r.env + " " + Lumora() + " wizard " +
                            dir.File("object.json") + " --registry none" + args + " </dev/null"});
  EXPECT_EQ(result.exitStatus, 2) << result.err;
  EXPECT_NE(result.err.find(r.says), std::string::npos) << result.err;
  EXPECT_EQ(ReadFile(dir.File("object.json")), original);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TerminalRefusal,
    ::testing::ValuesIn(std::vector<Refusal>{
        {"NoDisplayNoTerminal", {}, "", "and standard input and output are not a terminal to show"},
        {"TerminalForcedWithoutOne", {"--ui", "terminal"}, "", "are not both a terminal"},
        {"WindowForcedWithoutDisplay", {"--ui", "window"}, "", "cannot open the wizard window"},
        {"ScriptAndUi", {"--ui", "terminal", "--script", "x"}, "", "excludes"},
        {"UnknownUi", {"--ui", "tty"}, "", "--ui"},
    }),
    [](const auto& param) { return std::string(param.param.name); });

// The terminal library is loaded only to show the wizard in a terminal: a broken one stops such
// a run with its reason, and `lumora build` never notices it.
TEST(TerminalLibrary, shouldBeLoadedOnlyWhenTheWizardIsShownInATerminal) {
  TempDir temp;
  for (const char* file : {"lumora", "libBVLumora.so", "lumora.ini"}) {
    Shell("cp " + BinDir() + "/" + file + " " + temp.File(file));
  }
  temp.Write("libBVLumoraTerm.so", "not a library");
  temp.Write("o.json", "{\"properties\": {}}\n");
  const ProcessResult build =
      RunProcess(temp.File("lumora"), {"build", temp.File("o.json"), "ODBC"});
  EXPECT_EQ(build.exitStatus, 0) << build.err;
  const ProcessResult shown =
      RunProcess(temp.File("lumora"), {"wizard", temp.File("o.json"), "--ui", "terminal",
                                       "--registry", "none", "--component-dir", temp.path()});
  EXPECT_EQ(shown.exitStatus, 2) << shown.err;
  EXPECT_NE(shown.err.find("cannot load the wizard's terminal library: " +
                           temp.File("libBVLumoraTerm.so")),
            std::string::npos)
      << shown.err;
  EXPECT_EQ(ReadFile(temp.File("o.json")), "{\"properties\": {}}\n");
}

}  // namespace
}  // namespace lumora::testing
