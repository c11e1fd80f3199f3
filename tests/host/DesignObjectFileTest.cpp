// Design-object files: what is read, what is written back, and what is refused.
#include <gtest/gtest.h>

#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <set>

#include "host/DesignObjectFile.h"
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

// The files of a folder but the lock files, by name.
std::vector<std::string> Files(const std::string& folder) {
  std::vector<std::string> names;
  for (auto& e : std::filesystem::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (!name.ends_with(".lock")) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DesignObjectFile, ReadsEveryKindOfValue) {
  DesignObjectFile f = DesignObjectFile::Parse("x", R"({"properties": {
      "DTDBVerNo": 1, "Drivers": ["a", "b"], "DriversSelections": [true, false],
      "None": [], "Text": "t", "Real": 1.5, "Mixed": [1, "x"], "Obj": {"k": 2}, "Nil": null,
      "SB": ["s", true], "BS": [true, "s"]}})");
  EXPECT_EQ(f.GetProperty("DTDBVerNo"), Value::Integer(1));
  EXPECT_EQ(f.GetProperty("Drivers"), Value::Strings({"a", "b"}));
  EXPECT_EQ(f.GetProperty("DriversSelections"), Value::Booleans({true, false}));
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
  EXPECT_EQ(Files(dir.path()), std::vector<std::string>{"o.json"}) << "no temporary file is left";
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
// count and its attribute user.kept.
std::string NatureOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  char kept[4] = {};
  const ssize_t n = ::getxattr(path.c_str(), "user.kept", kept, sizeof kept);
  return std::to_string(st.st_mode & 07777) + (std::filesystem::is_symlink(path) ? " link " : " ") +
         std::to_string(st.st_nlink) + " " + std::string(kept, n > 0 ? static_cast<size_t>(n) : 0);
}

// What a save keeps of the file it replaces: each case prepares the folder and saves DTDBVerNo 1
// into "o.json"; the file stays what it was, every name of it reads the new text, and no
// temporary file is left behind. (Without user extended attributes the last case proves nothing.)
TEST(DesignObjectSave, KeepsTheFileWhatItWas) {
  const std::vector<std::function<void(const TempDir&)>> cases = {
      [](const TempDir& d) { ::chmod(d.File("o.json").c_str(), 0640); },
      [](const TempDir& d) {
        std::filesystem::rename(d.File("o.json"), d.File("target.json"));
        std::filesystem::create_symlink("target.json", d.File("o.json"));
      },
      [](const TempDir& d) { ::link(d.File("o.json").c_str(), d.File("other").c_str()); },
      [](const TempDir& d) { ::setxattr(d.File("o.json").c_str(), "user.kept", "1", 1, 0); },
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
    for (const std::string& name : Files(dir.path())) {
      EXPECT_NE(name[0], '.') << "a temporary file is left behind: " << name;
      EXPECT_NE(ReadFile(dir.File(name)).find("\"DTDBVerNo\": 1"), std::string::npos) << name;
    }
  }
}

// Each case does something to the file system (or the object) between Load and Save; the object
// must keep what is on disk and the author's choices must land in a recovery file. An object
// changed, deleted or made read-only meanwhile is played end to end in the fault tests.
struct RefusedCase {
  const char* name;
  std::function<void(const TempDir&, testing::FaultyFileSystem&)> meanwhile;
  const char* reason;
};

TEST(DesignObjectSave, PutsTheChoicesInARecoveryFileWhenTheObjectMayNotBeWritten) {
  const std::vector<RefusedCase> cases = {
      {"disk full",
       [](auto&, auto& fs) {
         fs.writeBudget = 10;
         fs.fullFor = "/.o.json.";
       },
       "No space left"},
      {"rename refused", [](auto&, auto& fs) { fs.renameError = EACCES; }, "cannot replace it"},
      {"replaced by the same text",
       [](const TempDir& d, auto&) {
         d.Write("new", kOld);
         std::filesystem::rename(d.File("new"), d.File("o.json"));
       },
       "replaced by another file"},
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("o.json", kOld);
    testing::FaultyFileSystem fs;
    DesignObjectFile file = DesignObjectFile::Load(dir.File("o.json"), fs);
    file.PutProperty("DTDBVerNo", Value::Integer(1));
    c.meanwhile(dir, fs);
    const std::string error = SaveError(file);
    fs = testing::FaultyFileSystem();
    EXPECT_EQ(ReadFile(dir.File("o.json")), kOld);
    std::vector<std::string> files = Files(dir.path());
    std::erase(files, "o.json");
    ASSERT_EQ(files.size(), 1u) << "one recovery file and no temporary: " << error;
    EXPECT_EQ(files[0].rfind("o.recovered-", 0), 0u) << files[0];
    EXPECT_EQ(DesignObjectFile::Load(dir.File(files[0])).GetProperty("DTDBVerNo").ToLong(), 1);
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(error.rfind(dir.File("o.json") + ": ", 0), 0u) << error;
    EXPECT_NE(error.find("your choices are in " + dir.File(files[0])), std::string::npos) << error;
  }
}

// An in-place rewrite (here of a hard-linked object) that fails part-way leaves the complete new
// text synced beside the object, and the choices in a recovery file; the message names both.
TEST(DesignObjectSave, AnInPlaceRewriteThatFailsLeavesTheNewTextBesideIt) {
  TempDir dir;
  dir.Write("o.json", kOld);
  ASSERT_EQ(::link(dir.File("o.json").c_str(), dir.File("other").c_str()), 0);
  testing::FaultyFileSystem fs;
  DesignObjectFile file = DesignObjectFile::Load(dir.File("o.json"), fs);
  file.PutProperty("DTDBVerNo", Value::Integer(1));
  fs.writeBudget = 10;
  fs.fullFor = "/o.json";  // the object itself, not the temporary file beside it
  const std::string error = SaveError(file);
  const size_t at = error.find("its complete new text is in ");
  ASSERT_NE(at, std::string::npos) << error;
  const std::string temp = error.substr(at + 28, error.find(';', at) - at - 28);
  EXPECT_EQ(ReadFile(temp), file.Serialize());
  EXPECT_EQ(error.find("left as it was"), std::string::npos) << error;
  EXPECT_NE(error.find("your choices are in " + dir.File("o.recovered-")), std::string::npos)
      << error;
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
  fs.refuseNewFilesUnder = dir.path();
  const std::string elsewhere = WriteRecoveryFile(dir.File(longName), "{}", fs, &object);
  ::chmod(dir.path().c_str(), 01777);
  const std::string notShared =
      WriteRecoveryFile(dir.File(longName), "{}", MachineFileSystem(), &object);
  ::chmod(dir.path().c_str(), 0700);
  EXPECT_EQ(elsewhere.rfind(state.File("lumora/recovered/"), 0), 0u) << elsewhere;
  EXPECT_EQ(notShared.rfind(state.File("lumora/recovered/"), 0), 0u) << notShared;
  EXPECT_EQ(ModeOf(state.File("lumora/recovered")), 0700u);
}

// A save killed at any moment leaves the object old or new, never partial, and the next
// successful save removes the temporary file it may have left.
TEST(DesignObjectSave, AKilledSaveLeavesTheOldOrTheNewObject) {
  TempDir dir;
  auto object = [](const std::string& name) {
    nlohmann::ordered_json drivers = nlohmann::ordered_json::array();
    for (int i = 0; i < 32767; ++i) drivers.push_back(name + std::to_string(i));
    return nlohmann::ordered_json{{"properties", {{"Drivers", drivers}}}}.dump(2) + "\n";
  };
  const std::string a = object("a"), b = object("b");
  dir.Write("o.json", a);
  std::mt19937 random(7);
  int midSave = 0;  // kills that left a temporary file: they landed inside a save
  for (int kill = 0; kill < 300; ++kill) {
    const pid_t child = ::fork();
    if (child == 0) {
      for (int i = 0;; ++i) WriteFileAtomically(dir.File("o.json"), i % 2 == 0 ? b : a);
    }
    ::usleep(static_cast<useconds_t>(random() % 30000));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const std::string now = ReadFile(dir.File("o.json"));
    ASSERT_TRUE(now == a || now == b) << "after kill " << kill << ": " << now.size() << " bytes";
    const std::vector<std::string> files = Files(dir.path());
    midSave += files.size() > 1 ? 1 : 0;
  }
  EXPECT_GT(midSave, 30) << "the kills must land inside saves";
  DesignObjectFile file = DesignObjectFile::Load(dir.File("o.json"));
  file.PutProperty("DTDBVerNo", Value::Integer(1));
  ASSERT_EQ(SaveError(file), "saved");
  EXPECT_EQ(Files(dir.path()), std::vector<std::string>{"o.json"});
}

}  // namespace
}  // namespace lumora
