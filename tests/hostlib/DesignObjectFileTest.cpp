// Design-object files: what is read, what is written back, and what is refused.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "hostlib/DesignObjectFile.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::ReadFile;
using testing::TempDir;

std::string RefusalOf(const std::string& text) {
  try {
    DesignObjectFile::Parse("obj.json", text);
  } catch (const DesignObjectFileError& e) {
    return e.what();
  }
  return "accepted";
}

TEST(DesignObjectFile, ReadsEveryKindOfValue) {
  DesignObjectFile f = DesignObjectFile::Parse("x", R"({"properties": {
      "DTDBVerNo": 1, "Drivers": ["a", "b"], "DriversSelections": [true, false],
      "None": [], "Text": "t", "Real": 1.5, "Mixed": [1, "x"], "Obj": {"k": 2}, "Nil": null}})");
  EXPECT_EQ(f.GetProperty("DTDBVerNo"), Value::Integer(1));
  EXPECT_EQ(f.GetProperty("Drivers"), Value::Strings({"a", "b"}));
  EXPECT_EQ(f.GetProperty("DriversSelections"), Value::Booleans({true, false}));
  EXPECT_EQ(f.GetProperty("None"), Value::Strings({}));
  EXPECT_EQ(f.GetProperty("Text"), Value::String("t"));
  EXPECT_EQ(f.GetProperty("Real"), Value::Double(1.5));
  EXPECT_EQ(f.GetProperty("Mixed").At(1), Value::String("x"));
  EXPECT_EQ(f.GetProperty("Obj").AsObject().at(0).second, Value::Integer(2));
  EXPECT_EQ(f.GetProperty("Nil").kind(), Value::Kind::Null);
  EXPECT_TRUE(f.GetProperty("Missing").IsEmpty());
  EXPECT_TRUE(DesignObjectFile::Parse("x", "{}").GetProperty("Drivers").IsEmpty());
}

TEST(DesignObjectFile, KeepsWhatItDoesNotWriteInItsOrder) {
  const std::string text = R"({"before": 1, "properties": {"Zeta": {"b": 1, "a": [1, "x", null]},
      "Drivers": ["old"], "Alpha": 2.25}, "after": "kept"})";
  DesignObjectFile f = DesignObjectFile::Parse("x", text);
  f.PutProperty("Drivers", Value::Strings({"new"}));
  f.PutProperty("DTDBVerNo", Value::Integer(0));
  auto json = nlohmann::ordered_json::parse(f.Serialize());
  auto original = nlohmann::ordered_json::parse(text);
  std::vector<std::string> top, props;
  for (auto& [k, v] : json.items()) top.push_back(k);
  for (auto& [k, v] : json["properties"].items()) props.push_back(k);
  EXPECT_EQ(top, (std::vector<std::string>{"before", "properties", "after"}));
  EXPECT_EQ(props, (std::vector<std::string>{"Zeta", "Drivers", "Alpha", "DTDBVerNo"}));
  EXPECT_EQ(json["properties"]["Zeta"], original["properties"]["Zeta"]);
  EXPECT_EQ(json["properties"]["Alpha"], 2.25);
  EXPECT_EQ(json["properties"]["Drivers"], nlohmann::ordered_json::array({"new"}));
}

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
  EXPECT_EQ(ReadFile(dir.File("o.json")), once) << "saving what was loaded changes nothing";
}

TEST(DesignObjectFile, RefusesBrokenFilesWithLineAndColumn) {
  EXPECT_EQ(
      RefusalOf("{\n  \"properties\": {\n    \"Drivers\": [\"a\",]\n}}").rfind("obj.json:3:", 0),
      0u)
      << RefusalOf("{\n  \"properties\": {\n    \"Drivers\": [\"a\",]\n}}");
  EXPECT_NE(RefusalOf("").find("obj.json:1:1"), std::string::npos);
  EXPECT_NE(RefusalOf("[1]").find("must hold a JSON object"), std::string::npos);
  EXPECT_NE(RefusalOf(R"({"properties": 3})").find("\"properties\" must be an object"),
            std::string::npos);
  EXPECT_NE(RefusalOf(R"({"properties": {"DTDBVerNo": 2147483648}})").find("32-bit"),
            std::string::npos);
  EXPECT_NE(RefusalOf(R"({"properties": {"A": [[-2147483649]]}})").find("32-bit"),
            std::string::npos);
  EXPECT_EQ(RefusalOf(R"({"properties": {"DTDBVerNo": -2147483648}})"), "accepted");
}

// A number beyond the range of a double is a different exception of the JSON reader; it escaped
// as that exception, past the commands' handlers for design-object errors and without the
// file's name.
TEST(DesignObjectFile, RefusesNumbersBeyondADoubleNamingWhere) {
  EXPECT_EQ(RefusalOf("{\"properties\": {\n  \"Ratio\": 1e400}}"),
            "obj.json:2:12: not valid JSON: the number 1e400 is out of range");
  // The same text inside a string, or as part of a longer number, is not the number.
  EXPECT_EQ(RefusalOf("{\"note\": \"-1e400\", \"a\": 21e400,\n \"b\": [-1e400]}"),
            "obj.json:1:25: not valid JSON: the number 21e400 is out of range");
  EXPECT_EQ(RefusalOf("{\"note\": \"-1e400\",\n \"b\": [-1e400]}"),
            "obj.json:2:8: not valid JSON: the number -1e400 is out of range");
  EXPECT_EQ(RefusalOf("1e400{}"), "obj.json:1:1: not valid JSON: the number 1e400 is out of range");
  EXPECT_EQ(RefusalOf(R"({"properties": {"Small": 1e-400, "Big": 1.7e308}})"), "accepted");
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

TEST(DesignObjectFile, MissingFileIsRefusedNamingIt) {
  try {
    DesignObjectFile::Load("/nonexistent/o.json");
    FAIL();
  } catch (const DesignObjectFileError& e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/o.json"), std::string::npos);
  }
}

TEST(DesignObjectFile, SaveReplacesAtomicallyKeepingTheMode) {
  TempDir dir;
  dir.Write("o.json", "{}");
  ::chmod(dir.File("o.json").c_str(), 0640);
  DesignObjectFile f = DesignObjectFile::Load(dir.File("o.json"));
  f.PutProperty("DTDBVerNo", Value::Integer(1));
  f.Save();
  struct stat st {};
  ASSERT_EQ(::stat(dir.File("o.json").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  int files = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1) << "no temporary file is left behind";
}

TEST(DesignObjectFile, FailedSaveLeavesTheOldFile) {
  TempDir dir;
  dir.Write("o.json", R"({"properties": {"DTDBVerNo": 0}})");
  DesignObjectFile f = DesignObjectFile::Load(dir.File("o.json"));
  f.PutProperty("DTDBVerNo", Value::Integer(1));
  ::chmod(dir.path().c_str(), 0500);  // the folder refuses new files
  if (::access(dir.File("x").c_str(), F_OK) == 0 || ::geteuid() == 0) {
    // root writes anyway; replace the target by a folder instead so rename fails.
    ::chmod(dir.path().c_str(), 0700);
    DesignObjectFile g = DesignObjectFile::Parse(dir.File("sub"), "{}");
    std::filesystem::create_directory(dir.File("sub"));
    std::filesystem::create_directory(dir.File("sub/inner"));
    EXPECT_THROW(g.Save(), DesignObjectFileError);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("sub/inner")));
  } else {
    EXPECT_THROW(f.Save(), DesignObjectFileError);
    ::chmod(dir.path().c_str(), 0700);
  }
  EXPECT_EQ(ReadFile(dir.File("o.json")), R"({"properties": {"DTDBVerNo": 0}})");
}

}  // namespace
}  // namespace lumora

namespace lumora {
namespace {

using testing::ReadFile;
using testing::TempDir;

// Sets the save-fault hook of the whole process for one test.
class InjectedSaveFault {
 public:
  explicit InjectedSaveFault(const char* fault) { ::setenv("LUMORA_TEST_SAVE_FAULT", fault, 1); }
  ~InjectedSaveFault() { ::unsetenv("LUMORA_TEST_SAVE_FAULT"); }
};

std::vector<std::string> Files(const std::string& folder) {
  std::vector<std::string> names;
  for (auto& e : std::filesystem::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string SaveError(DesignObjectFile& file) {
  try {
    file.Save();
  } catch (const DesignObjectFileError& e) {
    return e.what();
  }
  return "saved";
}

TEST(DesignObjectFaults, AFailedWriteOrRenameKeepsTheOldFileAndTheChoices) {
  for (const char* fault : {"write", "rename"}) {
    TempDir dir;
    const std::string old = R"({"properties": {"DTDBVerNo": 0}})";
    dir.Write("o.json", old);
    DesignObjectFile file = DesignObjectFile::Load(dir.File("o.json"));
    file.PutProperty("DTDBVerNo", Value::Integer(1));
    std::string error;
    {
      InjectedSaveFault injected(fault);
      error = SaveError(file);
    }
    EXPECT_EQ(ReadFile(dir.File("o.json")), old) << fault;
    const std::vector<std::string> files = Files(dir.path());
    ASSERT_EQ(files.size(), 2u) << fault << ": the object and one recovery file, no temporary";
    const std::string recovery = files[0] == "o.json" ? files[1] : files[0];
    EXPECT_EQ(recovery.rfind("o.recovered-", 0), 0u) << recovery;
    EXPECT_EQ(DesignObjectFile::Load(dir.File(recovery)).GetProperty("DTDBVerNo").ToLong(), 1);
    EXPECT_NE(error.find(dir.File("o.json")), std::string::npos) << error;
    EXPECT_NE(error.find("left as it was"), std::string::npos) << error;
    EXPECT_NE(error.find(dir.File(recovery)), std::string::npos) << error;
  }
}

TEST(DesignObjectFaults, AFileChangedBySomeoneElseIsNotOverwritten) {
  TempDir dir;
  dir.Write("o.json", R"({"properties": {}})");
  DesignObjectFile file = DesignObjectFile::Load(dir.File("o.json"));
  const std::string theirs = R"({"properties": {"Drivers": ["theirs"]}})";
  dir.Write("o.json", theirs);
  file.PutProperty("Drivers", Value::Strings({"mine"}));
  const std::string error = SaveError(file);
  EXPECT_NE(error.find("changed by someone else"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(dir.File("o.json")), theirs);
  const std::vector<std::string> files = Files(dir.path());
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(DesignObjectFile::Load(dir.File(files[1])).GetProperty("Drivers"),
            Value::Strings({"mine"}));
}

TEST(DesignObjectFaults, SavingTwiceIsNotAConflictWithItself) {
  TempDir dir;
  dir.Write("o.json", "{}");
  DesignObjectFile file = DesignObjectFile::Load(dir.File("o.json"));
  file.PutProperty("DTDBVerNo", Value::Integer(1));
  file.Save();
  file.PutProperty("DTDBVerNo", Value::Integer(0));
  EXPECT_EQ(SaveError(file), "saved");
  EXPECT_EQ(Files(dir.path()), std::vector<std::string>{"o.json"});
}

}  // namespace
}  // namespace lumora
