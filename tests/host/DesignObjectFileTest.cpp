// Design-object files: what is read, what is written back, and what is refused; the names of a
// save's own files beside an object, and who holds a lock as /proc/locks says.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>

#include "host/DesignObjectFile.h"
#include "host/LockHolder.h"
#include "platform/SafeSave.h"
#include "platform/SaveNames.h"
#include "support/Outcome.h"
#include "support/RunProcess.h"
#include "support/ScopedEnv.h"
#include "support/doubles/FaultyFileSystem.h"

namespace lumora {
namespace {

using testing::ModeOf;
using testing::ReadFile;
using testing::TempDir;

std::string RefusalOf(const std::string& text) {
  return testing::MessageOf<HostError>([&] { DesignObjectFile::Parse("obj.json", text); });
}

// What a save left in the folder besides the object "o.json" and its hard link "other".
std::vector<std::string> Leftovers(const TempDir& dir) {
  std::vector<std::string> files = dir.Names();
  std::erase_if(files, [](const std::string& f) { return f == "o.json" || f == "other"; });
  return files;
}

// What opening the object at `path` says, or "opened".
std::string OpenError(const std::string& path) {
  return testing::MessageOf<HostError>([&] { DesignObjectFile::Load(path); }, "opened");
}

TEST(DesignObjectFile, ReadsEveryKindOfValue) {
  // Lists of strings, of booleans and whole numbers: RoundTripsThroughTheFile.
  DesignObjectFile f = DesignObjectFile::Parse("x", R"({"properties": {"None": [], "Text": "t",
      "Real": 1.5, "Mixed": [1, "x"], "Obj": {"k": 2}, "Nil": null, "SB": ["s", true],
      "BS": [true, "s"]}})");
  EXPECT_EQ(f.GetProperty("None"), Value::Strings({}));
  EXPECT_EQ(f.GetProperty("Text"), Value::String("t"));
  EXPECT_EQ(f.GetProperty("Real"), Value::Double(1.5));
  EXPECT_EQ(f.GetProperty("Mixed").At(1), Value::String("x"));
  EXPECT_EQ(f.GetProperty("Obj").AsObject().at(0).second, Value::Integer(2));
  EXPECT_EQ(f.GetProperty("Nil").kind(), Value::Kind::Null);
  EXPECT_EQ(f.GetProperty("SB"), Value::MakeList({Value::String("s"), Value::Boolean(true)}));
  EXPECT_EQ(f.GetProperty("BS"), Value::MakeList({Value::Boolean(true), Value::String("s")}));
  EXPECT_TRUE(f.GetProperty("Missing").IsEmpty());
  EXPECT_TRUE(DesignObjectFile::Parse("x", "{}").GetProperty("Drivers").IsEmpty());
}

TEST(DesignObjectFile, KeepsWhatItDoesNotWriteInItsOrder) {
  const std::string text = R"({"before": 1, "properties": {"Zeta": {"b": 1, "a": [1, "x", null]},
      "Drivers": ["old"], "Alpha": 2.25}, "after": "kept"})";
  DesignObjectFile f = DesignObjectFile::Parse("x", text);
  f.PutProperty("Drivers", Value::Strings({"new"}));
  f.PutProperty("DTDBVerNo", Value::Integer(0));
  f.PutProperty("Zeta", Value());  // gone: the members after it move up
  f.PutProperty("Alpha", Value::Booleans({true}));
  f.PutProperty("Zeta", Value::MakeList({Value::Double(0.5)}));
  EXPECT_EQ(nlohmann::ordered_json::parse(f.Serialize()).dump(),
            R"({"before":1,"properties":{"Drivers":["new"],"Alpha":[true],"DTDBVerNo":0,)"
            R"("Zeta":[0.5]},"after":"kept"})");
  // Written as the JSON library writes the same document, escapes and replaced bytes included.
  for (const char* document :
       {R"({})", R"({"a": [], "properties": {"E": [], "O": {}}, "z": {}})",
        R"({"properties": {"S": ["caf\u00e9", "q\"\\\n\u0001"], "B": [true], "N": -5, "R": 1.5,
           "Big": 1e300, "Tiny": 1e-400, "Whole": 2.0, "Nil": null, "M": [1, [true], {"k": [[]]}]}})",
        R"({"before": {"deep": [1, {"x": [2]}], "huge": 9223372036854775807},
           "properties": {"Drivers": ["bad \ud83d\ude00"]}, "after": [-1, 0.1]})"}) {
    using Json = nlohmann::ordered_json;
    EXPECT_EQ(DesignObjectFile::Parse("o.json", document).Serialize(),
              Json::parse(document).dump(2, ' ', false, Json::error_handler_t::replace) + "\n")
        << document;
  }
}

// What was saved loads back; saving what was loaded changes nothing; saving twice is no conflict
// with itself, and a text that is not UTF-8 never aborts a save: it is written with the
// replacement character.
TEST(DesignObjectFile, RoundTripsThroughTheFile) {
  TempDir dir;
  dir.Write("o.json", R"({"properties": {"Other": [true, 3]}})");
  {
    DesignObjectFile f = DesignObjectFile::Load(dir.File("o.json"));
    f.PutProperty("Drivers", Value::Strings({""}));
    f.PutProperty("DriversSelections", Value::Booleans({false}));
    f.PutProperty("DTDBVerNo", Value::Integer(-2147483647 - 1));
    f.Save();
  }
  DesignObjectFile again = DesignObjectFile::Load(dir.File("o.json"));
  EXPECT_EQ(again.GetProperty("Drivers"), Value::Strings({""}));
  EXPECT_EQ(again.GetProperty("DriversSelections"), Value::Booleans({false}));
  EXPECT_EQ(again.GetProperty("DTDBVerNo").ToLong(), INT32_MIN);
  EXPECT_EQ(again.GetProperty("Other").kind(), Value::Kind::List);
  const std::string once = ReadFile(dir.File("o.json"));
  again.Save();
  EXPECT_EQ(ReadFile(dir.File("o.json")), once);
  again.PutProperty("Drivers", Value::Strings({"caf\xe9"}));
  again.Save();
  EXPECT_NE(ReadFile(dir.File("o.json")).find("\"caf\xef\xbf\xbd\""), std::string::npos);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"o.json"}) << "no temporary file is left";
}

// Each refusal names the file, the line and column, and the reason.
TEST(DesignObjectFile, RefusesBrokenFilesWithLineColumnAndReason) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{\n  \"properties\": {\n    \"Drivers\": [\"a\",]\n}}",
       "obj.json:3:21: not valid JSON: syntax error while parsing value - unexpected ']'; "
       "expected '[', '{', or a literal"},
      {"",
       "obj.json:1:1: not valid JSON: syntax error while parsing value - unexpected end of "
       "input; expected '[', '{', or a literal"},
      // A lone CR ends a line as LF does.
      {"{\r\"a\": 1,\r\"b\": }",
       "obj.json:3:6: not valid JSON: syntax error while parsing value - "
       "unexpected '}'; expected '[', '{', or a literal"},
      {"[1]", "obj.json:1:1: not a design object: the file must hold a JSON object"},
      {R"({"properties": 3})", "obj.json: not a design object: \"properties\" must be an object"},
      {R"({"properties": {"DTDBVerNo": 2147483648}})",
       "obj.json: property \"DTDBVerNo\": the integer 2147483648 is outside the 32-bit range"},
      {R"({"properties": {"A": [[-2147483649]]}})",
       "obj.json: property \"A\"[0][0]: the integer -2147483649 is outside the 32-bit range"},
      // Beyond 64 bits the reader would turn an integer into an approximate real number.
      {"{\"properties\": {\n \"N\": 18446744073709551616}}",
       "obj.json:2:7: the integer 18446744073709551616 is outside the 32-bit range"},
      {"{\"a\":\n-99999999999999999999",
       "obj.json:2:1: the integer -99999999999999999999 is "
       "outside the 32-bit range"},
      {"{\"properties\": {\"Drivers\": [\"a\"],\n  \"Drivers\": []}}",
       "obj.json:2:3: the member name \"Drivers\" is given twice in one object; a design object "
       "names each member once"},
      {"{\"p\\\"\": {\"k\": 1}, \"q\": {\"k\": 2}, \"p\\\"\": 3}",
       "obj.json:1:34: the member name \"p\"\" is given twice in one object; a design object "
       "names each member once"},
      // The library takes a NUL byte for the end of its input, wherever it stands.
      {std::string("{\"a\": 1,\0 \"b\": 2}", 17), "obj.json:1:9: not valid JSON: a NUL byte"},
      {std::string("{\"a\": 1}\0{", 11), "obj.json:1:9: not valid JSON: a NUL byte"},
      {"{\"properties\": {\"Drivers\": [\"SQL\xff\"]}}",
       "obj.json:1:33: not UTF-8 text (the byte 0xFF)"},
      {"{\"a\": \"\xc0\xaf\"}", "obj.json:1:8: not UTF-8 text (the byte 0xC0)"},
      {"{\"a\": \"\x1b]0;x\x07\"}",
       "obj.json:1:8: not valid JSON: syntax error while parsing value - invalid string: control "
       "character U+001B (ESC) must be escaped to \\u001B; last read: '\"<U+001B>'"},
      // A number beyond a double; the same text inside a string, or as part of a longer number,
      // is not the number.
      {"{\"properties\": {\n  \"Ratio\": 1e400}}",
       "obj.json:2:12: not valid JSON: the number 1e400 is out of range"},
      {"{\"note\": \"-1e400\", \"a\": 21e400,\n \"b\": [-1e400]}",
       "obj.json:1:25: not valid JSON: the number 21e400 is out of range"},
      {"{\"note\": \"-1e400\",\n \"b\": [-1e400]}",
       "obj.json:2:8: not valid JSON: the number -1e400 is out of range"},
      {R"({"properties": {"Small": 1e-400, "Big": 1.7e308}})", "accepted"},
      {R"({"properties": {"DTDBVerNo": -2147483648, "Name": "a\u0000b"}})", "accepted"},
  };
  for (const auto& [text, refusal] : cases) EXPECT_EQ(RefusalOf(text), refusal) << text;
}

// Reading a value, and writing the file, recurse once per level: 200,000 nested arrays used to
// overflow the stack, and the indented text of a deep value grows with the square of its depth.
TEST(DesignObjectFile, RefusesValuesNestedDeeperThanAHundredLevels) {
  auto nested = [](int levels) {
    return std::string(levels, '[') + "\"x\"" + std::string(levels, ']');
  };
  // The object is level 1, "properties" level 2: 98 arrays reach level 100.
  EXPECT_EQ(RefusalOf("{\"properties\": {\"A\": " + nested(98) + "}}"), "accepted");
  EXPECT_EQ(RefusalOf("{\"properties\": {\"A\": " + nested(99) + "}}"),
            "obj.json:1:120: not a design object: values nested deeper than 100 levels");
  // Brackets inside strings do not nest; the position names the first bracket too deep.
  EXPECT_EQ(RefusalOf("{\"note\": \"[[{\\\"[\",\n \"other\": " + nested(200000) + "}"),
            "obj.json:2:110: not a design object: values nested deeper than 100 levels");
  std::string objects = "{\"x\": ";
  for (int i = 0; i < 100; ++i) objects += "{\"k\":";
  EXPECT_EQ(RefusalOf(objects + "1" + std::string(101, '}')),
            "obj.json:1:502: not a design object: values nested deeper than 100 levels");
}

std::string SaveError(DesignObjectFile& file) {
  return testing::MessageOf<HostError>([&] { file.Save(); }, "saved");
}

const std::string kOld = R"({"properties": {"DTDBVerNo": 0}})";

// What a file is besides its text: its mode, whether its name is a symbolic link, its link
// count, its owner and group, and its attribute user.kept.
std::string NatureOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  char kept[4] = {};
  const ssize_t n = ::getxattr(path.c_str(), "user.kept", kept, sizeof kept);
  return std::to_string(st.st_mode & 07777) + (std::filesystem::is_symlink(path) ? " link " : " ") +
         std::to_string(st.st_nlink) + " " + std::to_string(st.st_uid) + ":" +
         std::to_string(st.st_gid) + " " + std::string(kept, n > 0 ? static_cast<size_t>(n) : 0);
}

// What a save keeps of the file it replaces: each case prepares the folder and saves DTDBVerNo 1
// into "o.json"; the file stays what it was, every name of it reads the new text, and no
// temporary file is left behind. (Without user extended attributes the fourth case proves
// nothing, nor the last one where only root may give a file away.)
TEST(DesignObjectSave, KeepsTheFileWhatItWas) {
  const std::vector<std::function<void(const TempDir&)>> cases = {
      [](const TempDir& d) { ::chmod(d.File("o.json").c_str(), 0640); },
      [](const TempDir& d) {
        std::filesystem::rename(d.File("o.json"), d.File("target.json"));
        std::filesystem::create_symlink("target.json", d.File("o.json"));
      },
      [](const TempDir& d) { ::link(d.File("o.json").c_str(), d.File("other").c_str()); },
      [](const TempDir& d) { ::setxattr(d.File("o.json").c_str(), "user.kept", "1", 1, 0); },
      [](const TempDir& d) { (void)!::chown(d.File("o.json").c_str(), 4321, 4321); },
  };
  for (const auto& prepare : cases) {
    TempDir dir;
    dir.Write("o.json", kOld);
    prepare(dir);
    const std::string before = NatureOf(dir.File("o.json"));
    DesignObjectFile f = DesignObjectFile::Load(dir.File("o.json"));
    f.PutProperty("DTDBVerNo", Value::Integer(1));
    ASSERT_EQ(SaveError(f), "saved");
    EXPECT_EQ(NatureOf(dir.File("o.json")), before);
    for (const std::string& name : dir.Names()) {
      EXPECT_NE(name[0], '.') << "a temporary file is left behind: " << name;
      EXPECT_NE(ReadFile(dir.File(name)).find("\"DTDBVerNo\": 1"), std::string::npos) << name;
    }
  }
}

// A step of a save fails: each row prepares the object (a hard link makes the save rewrite it in
// place; another owner makes it try to give the new file that owner), injects one fault through
// the file-system interface, and saves DTDBVerNo 1 into "o.json". Whatever the step, the choices
// are in the object or in a recovery file the message names; the object is old or new, or, when
// the rewrite in place broke off, the complete new text waits beside it and the next open says
// so; no new-text file is left.
enum class Prepared { kPlain, kLinked, kOwned };  // a hard link; another owner
enum class After { kWas, kNew, kPart };           // the old text, the new one, part of each

struct StepFault {
  const char* step;
  Prepared prepared;
  testing::Fault fault;  // its path: "/o.json", "/.o.json.lumora-new-", "/.o.json.lumora-save",
                         // or "" for the folder itself
  const char* said;      // "saved", or what the refusal says
  After after;
  bool leftover;  // ".o.json.lumora-save" remains
};

// Puts a row's fault into `fs`: a path "" is the folder itself, and ENOSPC on a Write is a disk
// that fills after `budget` bytes.
void Inject(testing::FaultyFileSystem& fs, testing::Fault fault, const TempDir& dir,
            long long budget) {
  fault.whole = fault.path.empty();
  fault.path = fault.whole ? dir.path() : fault.path;
  if (fault.call == "Write" && fault.error == ENOSPC) {
    fs.writeBudget = budget;
    fs.fullFor = fault.path;
  } else if (!fault.call.empty()) {
    fs.faults = {fault};
  }
}

TEST(DesignObjectSave, EveryStepThatFailsKeepsTheChoices) {
  const char* kNewText = "/.o.json.lumora-new-";
  const char* kKept = "/.o.json.lumora-save";
  // clang-format off
  using enum Prepared;
  using enum After;
  const std::vector<StepFault> rows = {
      {"resolve", kPlain, {"ResolvePath", "/o.json", EIO}, "cannot find it", kWas, false},
      {"open folder", kPlain, {"Open", "", EACCES, false, 1}, "cannot open its fold", kWas, false},
      {"lock", kPlain, {"TryLock", "", ENOLCK}, "cannot lock its folder", kWas, false},
      {"reopen", kPlain, {"Open", "/o.json", EIO}, "cannot read it again", kWas, false},
      {"stat", kPlain, {"Stat", "/o.json", EIO}, "cannot check it", kWas, false},
      {"reread", kPlain, {"Read", "/o.json", EIO}, "cannot read it again", kWas, false},
      {"may write", kPlain, {"CanWrite", "/o.json", EIO}, "may be written", kWas, false},
      {"attributes", kPlain, {"ExtendedAttributeNames", "/o.json", EIO}, "attributes", kWas, false},
      {"make new", kPlain, {"Open", kNewText, EACCES}, "cannot write beside it", kWas, false},
      {"write new", kPlain, {"Write", kNewText, ENOSPC}, "No space left", kWas, false},
      {"mode new", kPlain, {"ChangeMode", kNewText, EPERM}, "cannot set the mode", kWas, false},
      {"sync new", kPlain, {"Sync", kNewText, EIO}, "cannot write it: Input/output", kWas, false},
      {"stat new", kPlain, {"Stat", kNewText, EIO}, "cannot check its new text", kWas, false},
      {"close new", kPlain, {"Close", kNewText, EIO}, "cannot write it", kWas, false},
      {"rename", kPlain, {"Rename", kNewText, EACCES}, "cannot replace it", kWas, false},
      {"sync folder", kPlain, {"Sync", "", EIO}, "its folder could not be synced", kNew, false},
      {"owner not given", kOwned, {"ChangeOwner", kNewText, EPERM}, "saved", kNew, false},
      {"make kept", kLinked, {"Open", kNewText, EACCES}, "cannot write beside it", kWas, false},
      {"write kept", kLinked, {"Write", kNewText, ENOSPC}, "new text beside it", kWas, false},
      {"mode kept", kLinked, {"ChangeMode", kNewText, EPERM}, "mode of its new", kWas, false},
      {"sync kept", kLinked, {"Sync", kNewText, EIO}, "new text beside it", kWas, false},
      {"close kept", kLinked, {"Close", kNewText, EIO}, "new text beside it", kWas, false},
      {"name kept", kLinked, {"Rename", kNewText, EACCES}, "new text beside it", kWas, false},
      {"sync its name", kLinked, {"Sync", "", EIO}, "new text beside it", kWas, false},
      {"open object", kLinked, {"Open", "/o.json", EACCES, false, 2}, "for writing", kWas, false},
      {"write object", kLinked, {"Write", "/o.json", ENOSPC}, "failed part-way", kPart, true},
      {"truncate object", kLinked, {"Truncate", "/o.json", EIO}, "failed part-way", kPart, true},
      {"sync object", kLinked, {"Sync", "/o.json", EIO}, "failed part-way", kNew, true},
      {"close object", kLinked, {"Close", "/o.json", EIO, false, 2}, "failed part-way", kNew, true},
      {"remove kept", kLinked, {"Unlink", kKept, EIO}, "saved", kNew, true},
      {"list folder", kPlain, {"List", "", EIO}, "saved", kNew, false},
  };
  // clang-format on

  for (const StepFault& row : rows) {
    SCOPED_TRACE(row.step);
    TempDir dir;
    // A longer old text, so that a rewrite cut short leaves a part of each.
    const std::string old =
        R"({"properties": {"DTDBVerNo": 0, "Note": ")" + std::string(400, 'x') + "\"}}";
    dir.Write("o.json", old);
    if (row.prepared == Prepared::kLinked)
      ::link(dir.File("o.json").c_str(), dir.File("other").c_str());
    if (row.prepared == Prepared::kOwned) ::chown(dir.File("o.json").c_str(), 4321, 4321);
    testing::FaultyFileSystem fs;
    DesignObjectFile file = DesignObjectFile::Load(dir.File("o.json"), fs);
    file.PutProperty("DTDBVerNo", Value::Integer(1));
    file.PutProperty("Note", Value());
    Inject(fs, row.fault, dir, 10);
    const std::string error = SaveError(file);
    fs = testing::FaultyFileSystem();
    const std::string now = ReadFile(dir.File("o.json"));
    const After after = now == old                ? After::kWas
                        : now == file.Serialize() ? After::kNew
                                                  : After::kPart;
    EXPECT_EQ(static_cast<int>(after), static_cast<int>(row.after)) << error << "\n" << now;
    std::vector<std::string> files = Leftovers(dir);
    const bool leftover = std::erase(files, ".o.json.lumora-save") == 1;
    EXPECT_EQ(leftover, row.leftover) << error;
    if (leftover) {
      EXPECT_EQ(ReadFile(dir.File(".o.json.lumora-save")), file.Serialize());
    }
    if (std::string(row.said) == "saved") {
      EXPECT_EQ(error, "saved");
      EXPECT_TRUE(files.empty()) << files.front();
    } else {
      ASSERT_EQ(files.size(), 1u) << "one recovery file and nothing else: " << error;
      EXPECT_EQ(files[0].rfind("o.recovered-", 0), 0u) << files[0];
      EXPECT_EQ(DesignObjectFile::Load(dir.File(files[0])).GetProperty("DTDBVerNo").ToLong(), 1);
      EXPECT_EQ(error.rfind(dir.File("o.json") + ": ", 0), 0u) << error;
      EXPECT_NE(error.find(row.said), std::string::npos) << error;
      EXPECT_NE(error.find("your choices are in " + dir.File(files[0])), std::string::npos)
          << error;
      EXPECT_EQ(error.find("left as it was") != std::string::npos, row.after == After::kWas)
          << error;
    }
    // The next open: a broken-off rewrite is refused, naming where its complete text is; a
    // leftover the object already equals is removed.
    const std::string reopened = OpenError(dir.File("o.json"));
    if (after == After::kPart) {
      EXPECT_NE(reopened.find("the last save of it was interrupted"), std::string::npos)
          << reopened;
      EXPECT_NE(reopened.find(dir.File(".o.json.lumora-save")), std::string::npos) << reopened;
    } else {
      EXPECT_EQ(reopened, "opened");
      EXPECT_FALSE(std::filesystem::exists(dir.File(".o.json.lumora-save")));
    }
  }
}

// The same steps for a file that is ours alone (the component registry, a catalogue), which
// ReplaceFile writes: each failure names the step, leaves the file as it was (past the rename,
// the new one) and no file of the write beside it; the mode of the file it replaces is kept.
TEST(ReplaceFile, EveryStepThatFailsLeavesTheOldFileAndNothingBesideIt) {
  const char* kNewText = "/.o.json.lumora-new-";
  const struct {
    const char* step;
    testing::Fault fault;  // its path as in EveryStepThatFailsKeepsTheChoices
    const char* said;      // what the refusal says, or "replaced"
    bool replaced;
  } rows[] = {
      {"open folder", {"Open", "", EACCES}, "cannot open its folder", false},
      {"lock", {"TryLock", "", ENOLCK}, "cannot lock its folder", false},
      {"make new", {"Open", kNewText, EACCES}, "cannot write beside it", false},
      {"write new", {"Write", kNewText, ENOSPC}, "cannot write it: No space", false},
      {"mode new", {"ChangeMode", kNewText, EPERM}, "cannot set its mode", false},
      {"sync new", {"Sync", kNewText, EIO}, "cannot write it: Input/output", false},
      {"stat new", {"Stat", kNewText, EIO}, "cannot check its new text", false},
      {"close new", {"Close", kNewText, EIO}, "cannot write it", false},
      {"rename", {"Rename", kNewText, EACCES}, "cannot replace it", false},
      {"sync folder", {"Sync", "", EIO}, "its folder could not be synced", true},
      // Another writer's: its lock is waited for, its new text's name is not taken.
      {"lock held a moment", {"TryLock", "", EWOULDBLOCK, false, 1}, "replaced", true},
      {"new name taken", {"Open", kNewText, EEXIST, false, 1}, "replaced", true},
      {"none", {}, "replaced", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.step);
    TempDir dir;
    dir.Write("o.json", "old");
    ::chmod(dir.File("o.json").c_str(), 0640);
    testing::FaultyFileSystem fs;
    Inject(fs, row.fault, dir, 2);
    const std::string error = testing::MessageOf<HostError>(
        [&] { ReplaceFile(fs, dir.File("o.json"), std::string(1000, 'n')); }, "replaced");
    EXPECT_TRUE(error == "replaced" || error.rfind(dir.File("o.json") + ": ", 0) == 0) << error;
    EXPECT_NE(error.find(row.said), std::string::npos) << error;
    EXPECT_EQ(ReadFile(dir.File("o.json")), row.replaced ? std::string(1000, 'n') : "old");
    EXPECT_EQ(ModeOf(dir.File("o.json")), 0640u);
    EXPECT_EQ(Leftovers(dir), std::vector<std::string>{});
  }
  // The lock is exclusive: a shared one another holds (a reader's) is waited for too.
  TempDir dir;
  dir.Write("o.json", "old");
  const int reader = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(::flock(reader, LOCK_SH), 0);
  PosixFileSystem fs;
  const std::string error = testing::MessageOf<HostError>(
      [&] { ReplaceFile(fs, dir.File("o.json"), "new", 0644, std::chrono::milliseconds(100)); },
      "replaced");
  ::close(reader);
  EXPECT_NE(error.find("cannot lock its folder"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(dir.File("o.json")), "old");

  // A link another user planted at the new text's name is never written through: the name is
  // taken only when it is free, and another one is drawn.
  struct Planting : PosixFileSystem {
    std::string victim;
    int Open(const std::string& path, int flags, mode_t mode) override {
      if (!victim.empty() && path.find(".lumora-new-") != std::string::npos) {
        EXPECT_EQ(::symlink(victim.c_str(), path.c_str()), 0) << path;
        victim.clear();
      }
      return PosixFileSystem::Open(path, flags, mode);
    }
  } planting;
  dir.Write("victim", "theirs");
  planting.victim = dir.File("victim");
  ReplaceFile(planting, dir.File("o.json"), "new");
  EXPECT_EQ(ReadFile(dir.File("victim")), "theirs");
  EXPECT_EQ(ReadFile(dir.File("o.json")), "new");
  EXPECT_FALSE(std::filesystem::is_symlink(dir.File("o.json")));
}

// A signal that arrives while a save writes stops it at its next safe point: before the new
// text is made, or before it replaces (or rewrites) the object; past that the save ends.
// Stopped, the object is as it was, the choices are in a recovery file and no file of the
// save is left.
TEST(DesignObjectSave, AStopRequestedWhileWritingKeepsTheObjectWhole) {
  // Which check of the stop request reports a signal; the third comes past the last safe point.
  for (const auto& [hardLink, stopAtCheck] :
       {std::pair{false, 1}, {false, 2}, {false, 3}, {true, 1}, {true, 2}, {true, 3}}) {
    SCOPED_TRACE(std::to_string(stopAtCheck) + (hardLink ? " in place" : " renamed"));
    TempDir dir;
    dir.Write("o.json", kOld);
    if (hardLink) ::link(dir.File("o.json").c_str(), dir.File("other").c_str());
    DesignObjectFile file = DesignObjectFile::Load(dir.File("o.json"));
    file.PutProperty("DTDBVerNo", Value::Integer(1));
    int checks = 0;
    SaveOptions options;
    options.stopRequested = [&] { return ++checks >= stopAtCheck ? SIGTERM : 0; };
    const std::string error = testing::MessageOf<HostError>([&] { file.Save(options); }, "saved");
    const std::vector<std::string> files = Leftovers(dir);
    if (stopAtCheck == 3) {
      EXPECT_EQ(error, "saved");
      EXPECT_EQ(ReadFile(dir.File("o.json")), file.Serialize());
      EXPECT_TRUE(files.empty());
      continue;
    }
    EXPECT_EQ(ReadFile(dir.File("o.json")), kOld);
    EXPECT_NE(error.find("stopped by SIGTERM before the object was written; the object was left "
                         "as it was; your choices are in "),
              std::string::npos)
        << error;
    ASSERT_EQ(files.size(), 1u) << files.front();
    EXPECT_EQ(files[0].rfind("o.recovered-", 0), 0u) << files[0];
  }
}

// Cleaning up after a save removes only what a save of this object made: regular files of this
// user's named as its new texts. Names that only look alike are SaveNames' table; here what is
// at such a name that is not a save's file.
TEST(DesignObjectSave, RemovesOnlyItsOwnLeftNewTexts) {
  TempDir dir;
  dir.Write("o.json", kOld);
  dir.Write(".o.json.lumora-new-Ab12Cd", "{}");  // a killed save's: removed
  std::filesystem::create_directory(dir.File(".o.json.lumora-new-Xy34Zw"));
  std::filesystem::create_symlink("o.json", dir.File(".o.json.lumora-new-Link01"));
  // Another user's, which only root can make here.
  dir.Write(".o.json.lumora-new-Other1", "{}");
  const bool other = ::chown(dir.File(".o.json.lumora-new-Other1").c_str(), 4321, 4321) == 0;
  DesignObjectFile f = DesignObjectFile::Load(dir.File("o.json"));
  f.PutProperty("DTDBVerNo", Value::Integer(1));
  ASSERT_EQ(SaveError(f), "saved");
  std::vector<std::string> kept = {".o.json.lumora-new-Link01", ".o.json.lumora-new-Other1",
                                   ".o.json.lumora-new-Xy34Zw", "o.json"};
  if (!other) std::erase(kept, ".o.json.lumora-new-Other1");
  EXPECT_EQ(dir.Names(), kept);
}

// An object's name may be as long as the file system allows: its new text, its kept text and its
// recovery file are named within NAME_MAX, and two long names alike in their first 240 bytes
// never share them.
TEST(DesignObjectSave, SavesObjectsWithNamesOfEveryLength) {
  struct Row {
    size_t length;
    bool hardLink;
  };
  for (const Row& row : {Row{250, false}, Row{255, false}, Row{255, true}, Row{251, true}}) {
    SCOPED_TRACE(std::to_string(row.length) + (row.hardLink ? " in place" : " renamed"));
    TempDir dir;
    const std::string name = std::string(row.length - 5, 'n') + ".json";
    const std::string twin = std::string(row.length - 6, 'n') + "m.json";
    dir.Write(name, kOld);
    dir.Write(twin, kOld);
    if (row.hardLink) ::link(dir.File(name).c_str(), dir.File("other").c_str());
    DesignObjectFile f = DesignObjectFile::Load(dir.File(name));
    f.PutProperty("DTDBVerNo", Value::Integer(1));
    ASSERT_EQ(SaveError(f), "saved");
    EXPECT_NE(ReadFile(dir.File(name)).find("\"DTDBVerNo\": 1"), std::string::npos);
    // A rewrite broken off leaves the kept text under the fitted name, which only this object
    // owns: its twin opens, it does not.
    const std::string kept = savenames::InterruptedSave(name);
    dir.Write(kept, "{}");
    EXPECT_EQ(OpenError(dir.File(twin)), "opened");
    EXPECT_NE(OpenError(dir.File(name)).find("interrupted"), std::string::npos);
    // A refused save of it still keeps the choices beside it.
    ::chmod(dir.File(name).c_str(), 0400);
    EXPECT_NE(SaveError(f).find("your choices are in " + dir.path() + "/"), std::string::npos);
  }
}

// Recovery files: never over another, never wider than the object, a long name shortened, and
// a folder that refuses them replaced by the user's private state folder.
TEST(DesignObjectSave, RecoveryFilesAreNewPrivateAndFit) {
  TempDir dir;
  const std::string longName = std::string(250, 'n') + ".json";
  dir.Write(longName, "{}");
  ::chmod(dir.File(longName).c_str(), 0600);
  struct stat object {};
  ASSERT_EQ(::stat(dir.File(longName).c_str(), &object), 0);
  std::set<std::string> made;
  for (int i = 0; i < 3; ++i) {
    const std::string path =
        WriteRecoveryFile(dir.File(longName), "{}", MachineFileSystem(), &object);
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(made.insert(path).second) << "a second recovery in the same second is a new file";
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_LE(path.size() - dir.path().size() - 1, size_t{NAME_MAX});
  }
  TempDir state;
  testing::ScopedEnv env("XDG_STATE_HOME", state.path().c_str());
  // A folder that refuses them, and a folder that anyone may write, send them to the state folder.
  testing::FaultyFileSystem fs;
  fs.faults = {{"Open", dir.path() + "/", EACCES}};  // what is opened inside it, not itself
  const std::string elsewhere = WriteRecoveryFile(dir.File(longName), "{}", fs, &object);
  EXPECT_EQ(ModeOf(state.File("lumora/recovered")), 0700u);
  ::chmod(state.File("lumora/recovered").c_str(), 0755);  // made wider since: narrowed again
  ::chmod(dir.path().c_str(), 01777);
  const std::string notShared =
      WriteRecoveryFile(dir.File(longName), "{}", MachineFileSystem(), &object);
  ::chmod(dir.path().c_str(), 0700);
  EXPECT_EQ(elsewhere.rfind(state.File("lumora/recovered/"), 0), 0u) << elsewhere;
  EXPECT_EQ(notShared.rfind(state.File("lumora/recovered/"), 0), 0u) << notShared;
  EXPECT_EQ(ModeOf(state.File("lumora/recovered")), 0700u);
}

// A save killed at any moment (kill -9) leaves the object old or new, or, for a rewrite in place
// (hard links, an ACL) cut off part-way, the complete new text beside it, which the next open
// names and refuses to go past; the next successful save removes any new-text file left. After a
// refused open the test does what the author is told to (puts the kept text in place).
TEST(DesignObjectSave, AKilledSaveLeavesTheOldOrTheNewObjectOrSaysItWasInterrupted) {
  auto object = [](const std::string& name) {
    nlohmann::ordered_json drivers = nlohmann::ordered_json::array();
    for (int i = 0; i < 32767; ++i) drivers.push_back(name + std::to_string(i));
    return nlohmann::ordered_json{{"properties", {{"Drivers", drivers}}}}.dump(2) + "\n";
  };
  // Two texts of one object, each a save of the other with another note.
  DesignObjectFile texts = DesignObjectFile::Parse("o.json", object("a"));
  texts.PutProperty("Note", Value::String("b"));
  const std::string b = texts.Serialize();
  texts.PutProperty("Note", Value::String("a"));
  const std::string a = texts.Serialize();
  // One save's time here: every other kill is spread over about three of them, so that the kills
  // reach every step of a save however slow the machine (or the sanitizers) make it; the others
  // come within 30 ms, while the first save writes its new text.
  useconds_t spread = 30000;
  {
    TempDir timing;
    timing.Write("o.json", a);
    DesignObjectFile probe = DesignObjectFile::Load(timing.File("o.json"));
    probe.PutProperty("Note", Value::String("b"));
    const auto started = std::chrono::steady_clock::now();
    probe.Save();
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - started);
    spread = std::max<useconds_t>(spread, static_cast<useconds_t>(3 * took.count()));
  }
  // Each kind of object, the shell command that makes it one, and how many times it is killed.
  for (const auto& [kind, prepare, kills] : {std::tuple{"renamed", "true", 100},
                                             {"hard link", "ln o.json other", 150},
                                             {"ACL", "setfacl -m u:nobody:r o.json", 150}}) {
    SCOPED_TRACE(kind);
    TempDir dir;
    dir.Write("o.json", a);
    testing::Shell("cd '" + dir.path() + "' && " + prepare);
    std::mt19937 random(7);
    int landed = 0, refused = 0, partial = 0;
    // Past their count the kills go on, up to ten times it, until ten have landed inside saves
    // and, for the in-place kinds, one between the kept text and its removal: a loaded machine or
    // the sanitizers stretch the other steps of a save.
    const bool inPlace = std::string(kind) != "renamed";
    auto enough = [&] { return landed >= 10 && (!inPlace || refused > 0); };
    for (int kill = 0; kill < kills || (!enough() && kill < 10 * kills); ++kill) {
      int loaded[2];
      ASSERT_EQ(::pipe(loaded), 0);
      const pid_t child = ::fork();
      if (child == 0) {
        try {
          DesignObjectFile saved = DesignObjectFile::Load(dir.File("o.json"));
          (void)!::write(loaded[1], "l", 1);  // the kill's time counts from the first save
          for (int i = 0;; ++i) {
            saved.PutProperty("Note", Value::String(i % 2 == 0 ? "b" : "a"));
            saved.Save();
          }
        } catch (...) {
          ::_exit(1);
        }
      }
      char ready;
      ::close(loaded[1]);
      (void)!::read(loaded[0], &ready, 1);
      ::close(loaded[0]);
      ::usleep(static_cast<useconds_t>(random() % (kill % 2 == 0 ? 30000 : spread)));
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
      const std::string now = ReadFile(dir.File("o.json"));
      const bool whole = now == a || now == b;
      landed += !Leftovers(dir).empty() || !whole ? 1 : 0;
      const std::string opened = OpenError(dir.File("o.json"));
      ASSERT_TRUE(whole || opened.find("the last save of it was interrupted") != std::string::npos)
          << "after kill " << kill << ", a partial object (" << now.size()
          << " bytes) opened: " << opened;
      if (opened != "opened") {
        const std::string kept = ReadFile(dir.File(".o.json.lumora-save"));
        ASSERT_TRUE(kept == a || kept == b) << opened;
        ++refused;
        partial += whole ? 0 : 1;
        std::ofstream(dir.File("o.json"), std::ios::binary | std::ios::trunc) << kept;
        std::filesystem::remove(dir.File(".o.json.lumora-save"));
      }
    }
    EXPECT_GE(landed, 10) << "the kills must land inside saves (or rewrites in place)";
    if (inPlace) {
      EXPECT_GT(refused, 0) << "some kills must land between the kept text and its removal";
    }
    ::testing::Test::RecordProperty(std::string(kind) + " partial objects", partial);
    // Every kill of the in-place kinds is checked; whatever was left, a save succeeds and leaves
    // the folder as it was.
    std::filesystem::remove(dir.File(".o.json.lumora-save"));
    DesignObjectFile file = DesignObjectFile::Load(dir.File("o.json"));
    file.PutProperty("DTDBVerNo", Value::Integer(1));
    ASSERT_EQ(SaveError(file), "saved");
    EXPECT_EQ(Leftovers(dir), std::vector<std::string>{});
  }
}

// Every name fits NAME_MAX; a name that fits is kept whole; a long one keeps its beginning, is
// never cut inside a UTF-8 character, and is told apart from another alike for 240 bytes.
TEST(SaveNames, FitEveryObjectNameAndKeepLongNamesApart) {
  const std::string e9 = "\xc3\xa9";  // é, two bytes
  struct Row {
    std::string name;
    std::string kept;  // InterruptedSave(name), or "" when only its length is checked
  };
  const Row rows[] = {
      {"o.json", ".o.json.lumora-save"},
      {std::string(242, 'a'), "." + std::string(242, 'a') + ".lumora-save"},
      {std::string(243, 'a'), ""},
      {std::string(255, 'a'), ""},
      {std::string(232, 'a') + e9 + e9 + "b.json", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name.size());
    const std::string kept = savenames::InterruptedSave(row.name);
    const std::string fresh = savenames::NewText(row.name);
    EXPECT_LE(kept.size(), size_t{NAME_MAX});
    EXPECT_LE(fresh.size(), size_t{NAME_MAX});
    if (!row.kept.empty()) {
      EXPECT_EQ(kept, row.kept);
    }
    const size_t start = std::min<size_t>(200, row.name.size());
    EXPECT_EQ(kept.substr(1, start), row.name.substr(0, start)) << "it keeps the name's beginning";
    EXPECT_TRUE(savenames::IsNewText(fresh, row.name)) << fresh;
    EXPECT_EQ(savenames::InterruptedSave(row.name), kept) << "the same name every time";
    // A whole UTF-8 character or none: the byte before the mark is not a lead or middle byte.
    const size_t mark = kept.rfind('~');
    if (row.name.size() > 242) {
      ASSERT_NE(mark, std::string::npos);
      EXPECT_NE(static_cast<unsigned char>(kept[mark - 1]) & 0xC0, 0xC0u) << kept;
    }
  }
  const std::string a = std::string(250, 'n') + "a", b = std::string(250, 'n') + "b";
  EXPECT_NE(savenames::InterruptedSave(a), savenames::InterruptedSave(b));
  EXPECT_FALSE(savenames::IsNewText(savenames::NewText(a), b));
}

// Which new-text names are a save's own: the exact form and nothing like it.
TEST(SaveNames, TellTheirOwnNewTextsFromLookAlikes) {
  const std::pair<const char*, bool> rows[] = {
      {".o.json.lumora-new-Ab12Cd", true},
      {".o.json.lumora-new-Ab12C", false},
      {".o.json.lumora-new-Ab12Cde", false},
      {".o.json.lumora-new-Ab12C-", false},
      {".o.json.backup", false},
      {".o.json.abc123", false},
      {"o.json.lumora-new-Ab12Cd", false},
      {".p.json.lumora-new-Ab12Cd", false},
  };
  for (const auto& [entry, own] : rows)
    EXPECT_EQ(savenames::IsNewText(entry, "o.json"), own) << entry;
}

// The holder of a granted lock on the file, by device and inode; a waiter's line is not a holder.
TEST(LockHolder, ReadsTheHolderOfTheFilesLock) {
  const dev_t device = makedev(0xfe, 0x01);
  const std::string locks =
      "1: POSIX  ADVISORY  WRITE 300 fe:01:77 0 EOF\n"
      "2: FLOCK  ADVISORY  WRITE 4242 fe:01:1234 0 EOF\n"
      "2: -> FLOCK  ADVISORY  WRITE 999 fe:01:1234 0 EOF\n"
      "3: FLOCK  ADVISORY  WRITE 555 08:01:1234 0 EOF\n";
  const std::pair<ino_t, std::optional<pid_t>> rows[] = {
      {1234, 4242}, {77, 300}, {5, std::nullopt}};
  for (const auto& [inode, holder] : rows)
    EXPECT_EQ(LockHolderIn(locks, device, inode), holder) << inode;
  EXPECT_EQ(LockHolderIn("2: -> FLOCK  ADVISORY  WRITE 999 fe:01:1234 0 EOF\n", device, 1234),
            std::nullopt);
  EXPECT_EQ(LockHolderIn("", device, 1234), std::nullopt);
}

}  // namespace
}  // namespace lumora
