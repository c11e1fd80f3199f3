// The whole host under faults, races and bad input: whatever happens, the author's choices are
// either in the object or in a recovery file that the message names, and bad input (host
// settings too) is refused naming the file, the place and the reason.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::LiveProcess;
using testing::Lumora;
using testing::ModeOf;
using testing::ProcessResult;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempDir;

const char* kFinish = "click cmdNav(3)\nclick cmdNav(3)\nclick cmdNav(3)\n";
const std::string kOld = "{\"properties\": {\"Kept\": 1}}\n";

// A live wizard on o.json that has ticked `driver` and shown its first dump, so that it has read
// the object.
std::unique_ptr<LiveProcess> StartWizard(const TempDir& dir, const std::string& driver) {
  auto wizard = std::make_unique<LiveProcess>(
      Lumora(), std::vector<std::string>{"wizard", dir.File("o.json"), "--script", "-",
                                         "--registry", "none"});
  wizard->Send("tick lvwDrivers \"" + driver + "\"\ndump\n");
  EXPECT_NE(wizard->WaitForLine("{\"caption\""), "") << "the dump arrives before Finish is sent";
  return wizard;
}

std::vector<std::string> RecoveryFiles(const TempDir& dir) {
  std::vector<std::string> found;
  for (const std::string& name : dir.Names())
    if (name.starts_with("o.recovered-")) found.push_back(dir.File(name));
  return found;
}

// The world changes while a live wizard is open; Finish must keep what is on disk and put the
// author's choices in a private recovery file that the message names.
struct Meanwhile {
  const char* name;
  std::function<void(const TempDir&)> change;
  const char* reason;
};

TEST(Faults, AnObjectChangedWhileTheWizardIsOpenIsNotOverwritten) {
  const std::string theirs = "{\"properties\": {\"Theirs\": 1}}\n";
  const std::vector<Meanwhile> cases = {
      {"changed", [&](const TempDir& d) { d.Write("o.json", theirs); }, "changed by someone else"},
      {"deleted", [](const TempDir& d) { std::filesystem::remove(d.File("o.json")); },
       "deleted since it was read"},
      {"made read-only", [](const TempDir& d) { ::chmod(d.File("o.json").c_str(), 0400); },
       "read-only"},
      {"replaced by a file of the same text",
       [](const TempDir& d) {
         d.Write("new", kOld);
         ::chmod(d.File("new").c_str(), 0600);
         std::filesystem::rename(d.File("new"), d.File("o.json"));
       },
       "replaced by another file"},
  };
  for (const Meanwhile& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("o.json", kOld);
    ::chmod(dir.File("o.json").c_str(), 0600);
    const auto onDisk = [&] {
      return std::filesystem::exists(dir.File("o.json")) ? ReadFile(dir.File("o.json")) : "";
    };
    const auto wizard = StartWizard(dir, "SQL Server");
    EXPECT_EQ(onDisk(), kOld);
    c.change(dir);
    const std::string after = onDisk();
    wizard->Send(kFinish);
    const ProcessResult r = wizard->Finish();
    EXPECT_EQ(r.exitStatus, 1) << r.err;
    EXPECT_EQ(onDisk(), after);
    const std::vector<std::string> recovery = RecoveryFiles(dir);
    ASSERT_EQ(recovery.size(), 1u) << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("your choices are in " + recovery[0]), std::string::npos) << r.err;
    EXPECT_NE(ReadFile(recovery[0]).find("\"SQL Server\""), std::string::npos);
    EXPECT_EQ(ModeOf(recovery[0]), 0600u) << "no wider than the object";
  }
}

// Two authors finish on one object at the same moment: one update lands, the other goes to a
// recovery file; never both exit 0 with one author's choices gone.
TEST(Faults, TwoWizardsFinishingTogetherLoseNoAuthorsChoices) {
  for (int trial = 0; trial < 5; ++trial) {
    SCOPED_TRACE(trial);
    TempDir dir;
    dir.Write("o.json", kOld);
    const auto a = StartWizard(dir, "SQL Server");
    const auto b = StartWizard(dir, "Microsoft ODBC for Oracle");
    ProcessResult ra, rb;
    std::thread finishA([&] {
      a->Send(kFinish);
      ra = a->Finish();
    });
    b->Send(kFinish);
    rb = b->Finish();
    finishA.join();
    ASSERT_EQ(ra.exitStatus + rb.exitStatus, 1) << ra.err << rb.err;
    const std::vector<std::string> recovery = RecoveryFiles(dir);
    ASSERT_EQ(recovery.size(), 1u);
    const std::string object = ReadFile(dir.File("o.json"));
    const std::string kept = ReadFile(recovery[0]);
    const bool aWon = ra.exitStatus == 0;
    EXPECT_NE(object.find(aWon ? "\"SQL Server\"" : "Oracle"), std::string::npos) << object;
    EXPECT_NE(kept.find(aWon ? "Oracle" : "\"SQL Server\""), std::string::npos) << kept;
  }
}

// Finish finds another save holding the lock on the object's folder: it says it waits and for
// whom, and waits a bounded time; the lock released, it saves; held on, or a signal meanwhile,
// and the choices go to a recovery file with the object untouched. Never a wait without end.
struct LockCase {
  const char* name;
  int releaseAfterMs;  // -1: held until lumora ends
  int signal;          // sent while it waits (0: none)
  int exitStatus;
  std::string said;
};

TEST(Faults, FinishWaitsABoundedTimeForTheLockAndIsStoppedOnlyIntoARecoveryFile) {
  const std::string holder = "process " + std::to_string(::getpid());
  const std::vector<LockCase> cases = {
      {"released after a second", 1000, 0, 0, ""},
      {"held throughout", -1, 0, 1, "held by another save for 5 seconds, by " + holder},
      {"SIGINT", -1, SIGINT, 128 + SIGINT, "stopped by SIGINT while it waited"},
      {"SIGTERM", -1, SIGTERM, 128 + SIGTERM, "stopped by SIGTERM while it waited"},
      {"SIGHUP", -1, SIGHUP, 128 + SIGHUP, "stopped by SIGHUP while it waited"},
  };
  for (const LockCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("o.json", kOld);
    ::chmod(dir.File("o.json").c_str(), 0600);
    // The lock another save holds on the object's folder, taken by the test.
    const int lock = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    const auto wizard = StartWizard(dir, "SQL Server");
    wizard->Send(kFinish);
    wizard->CloseInput();  // the script ends: the wizard returns
    ASSERT_TRUE(wizard->WaitForError("waiting up to 5 seconds", 10));
    if (c.releaseAfterMs >= 0) {
      ::usleep(static_cast<useconds_t>(c.releaseAfterMs) * 1000);
      ::close(lock);
    }
    if (c.signal != 0) ::kill(wizard->pid(), c.signal);
    const ProcessResult r = wizard->Finish();
    if (c.releaseAfterMs < 0) ::close(lock);
    EXPECT_EQ(r.exitStatus, c.exitStatus) << r.err;
    EXPECT_NE(r.err.find(holder + " (e2e_tests) holds its lock"), std::string::npos) << r.err;
    const std::vector<std::string> recovery = RecoveryFiles(dir);
    if (c.exitStatus == 0) {
      EXPECT_TRUE(recovery.empty());
      EXPECT_NE(ReadFile(dir.File("o.json")).find("\"SQL Server\""), std::string::npos);
      continue;
    }
    EXPECT_EQ(ReadFile(dir.File("o.json")), kOld);
    ASSERT_EQ(recovery.size(), 1u) << r.err;
    EXPECT_NE(ReadFile(recovery[0]).find("\"SQL Server\""), std::string::npos);
    EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("your choices are in " + recovery[0]), std::string::npos) << r.err;
  }
}

// A design object that does not exist yet opens as an empty one, as a new file does in an
// editor: Finish makes it, with the mode a new file gets, and nothing beside it. (Cancel leaves
// nothing, and a folder that does not exist is named: the cases wizard-cancel-on-a-missing-object
// and wizard-refuses-an-object-in-a-missing-folder.)
TEST(Faults, AMissingObjectIsMadeByFinish) {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  TempDir dir;
  dir.Write("script", kFinish);
  const ProcessResult r = RunProcess(Lumora(), {"wizard", dir.File("new.json"), "--script",
                                                dir.File("script"), "--registry", "none"});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_NE(ReadFile(dir.File("new.json")).find("\"DTDBVerNo\""), std::string::npos);
  EXPECT_EQ(ModeOf(dir.File("new.json")), 0666u & ~mask);
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"new.json", "script"}));
}

// A list longer than the wizard can hold is refused before it opens, and nothing is written.
// (Other bad input, refused naming the file and the reason: the cases show-refuses-*,
// build-refuses-*, export-refuses-*, wizard-refuses-*, stored-* and script-*; nothing from a file
// reaches the terminal raw, and a NUL does not cut the output short: show-control-characters;
// unusable host settings stop show and build alike: refused-settings-*.)
TEST(Faults, AListLongerThanTheWizardHoldsIsRefused) {
  TempDir dir;
  std::string longList = "{\"properties\": {\"Drivers\": [";
  for (int i = 0; i < 32769; ++i) longList += (i ? ",\"d" : "\"d") + std::to_string(i) + "\"";
  longList += "]}}";
  dir.Write("long.json", longList);
  dir.Write("script", kFinish);
  const ProcessResult r = RunProcess(Lumora(), {"wizard", dir.File("long.json"), "--script",
                                                dir.File("script"), "--registry", "none"});
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(
      r.err.rfind("lumora: " + dir.File("long.json") +
                      ": property \"Drivers\" holds 32769 entries; the wizard holds at most 32767",
                  0),
      0u)
      << r.err;
  EXPECT_EQ(ReadFile(dir.File("long.json")), longList);
}

}  // namespace
}  // namespace lumora
