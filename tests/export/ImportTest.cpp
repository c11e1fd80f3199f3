// How imported paths and items come back into the stored form: path symbols from Windows paths,
// formatted values and local paths; data sources' type and uninstall notes from unixODBC files;
// and the stored lists as Finish writes them, joined or replaced. The real tools' files are
// proved in tests/e2e by round trips (ImportRoundTrip), which bring back a path in each host
// folder, a bracketed value, an empty one, and user and system data sources naming their driver.
#include <gtest/gtest.h>

#include "export/ImportStore.h"
#include "export/ImportedChoices.h"
#include "support/RunProcess.h"
#include "support/doubles/MemoryDesignObject.h"

namespace lumora::exporting {
namespace {

// The most specific host folder gives a path its symbol; a formatted value's folder property too.
TEST(ImportPaths, HostFoldersComeBackAsTheirSymbols) {
  const FolderSet folders;
  const std::pair<std::string, std::string> paths[] = {
      {"c:\\windows\\system32\\a.dll", "<WINSYSDIR>\\a.dll"},  // ignoring case
      {"C:\\Windows", "C:\\Windows"},  // the folder itself, without its backslash
      {"D:\\data\\x.mdb", "D:\\data\\x.mdb"},
      {"a.dll", "a.dll"},
  };
  for (const auto& [path, stored] : paths) EXPECT_EQ(ToSymbolPath(path, folders), stored) << path;
  const std::pair<std::string, std::string> values[] = {
      {"[WindowsFolder]", "<WINDIR>\\"},
      {"[ProgramFilesFolder]A [\\[]1[\\]]\\x.dll", "<PROGRAMFILES>\\A [1]\\x.dll"},
      {"[INSTALLDIR]x.dll", "[INSTALLDIR]x.dll"},  // not a host folder: kept
  };
  for (const auto& [value, stored] : values) {
    EXPECT_EQ(FromFormattedValue(value, folders), stored) << value;
  }
}

struct IniCase {
  const char* file;
  std::string text;
  SourceType type;
  std::string expected;  // items as "name|system|uninstall|lines;"
};

std::string Describe(const std::vector<ImportedItem>& items) {
  std::string text;
  for (const ImportedItem& item : items) {
    text += item.name + "|" + (item.system ? "s" : "u") + "|" + (item.uninstall ? "1" : "0");
    for (const AttributeLine& line : item.lines) text += "|" + line.name + "=" + line.value;
    text += ";";
  }
  return text;
}

TEST(ImportOdbcinst, ReadsSectionsAsUnixOdbcDoes) {
  const std::map<char, std::string> drives = {{'C', "/srv/c"}};
  const std::vector<IniCase> cases = {
      {"odbcinst.ini", "[D]\nDriver = /srv/c/Windows/System32/d.dll\nSetup=/usr/lib/s.so\n",
       SourceType::kUnstated, "D|u|1|Driver=<WINSYSDIR>\\d.dll|Setup=/usr/lib/s.so;"},
      {"odbcinst.ini", "[ODBC]\nTrace=No\n[D]\nDriver=/srv/cc/x.so\n", SourceType::kUnstated,
       "D|u|1|Driver=/srv/cc/x.so;"},
      {"mine.ini", "[S]\nDriver=/srv/c/Windows/x.dll\n", SourceType::kUser,
       "S|u|1|Driver=<WINDIR>\\x.dll;"},
      {"odbc-user.ini",
       "[S]\n; kept on uninstall\nServer=a\n\n; on uninstall: keep\n[T]\n; on uninstall: "
       "remove\n[U]\n",
       SourceType::kUnstated, "S|u|0|Server=a;T|u|0;U|u|1;"},
      {"odbc-user.ini", "[S]\r\nServer=a\r\n", SourceType::kSystem, "S|s|1|Server=a;"},
  };
  for (const IniCase& c : cases) {
    testing::TempDir dir;
    dir.Write(c.file, c.text);
    const ImportedChoices read = ReadOdbcinstFile(dir.File(c.file), c.type, {}, drives);
    EXPECT_EQ(Describe(read.drivers) + Describe(read.dataSources), c.expected) << c.text;
  }
}

ImportedItem Item(std::string name, std::vector<AttributeLine> lines, bool system = false,
                  bool uninstall = true) {
  return {std::move(name), std::move(lines), system, uninstall, "test"};
}

std::string Stored(MemoryDesignObject& object, const char* property) {
  const Value list = object.Peek(property);
  std::string text;
  for (int32_t i = 0; i <= list.UpperBound(); ++i) text += list.At(i).ToString() + ";";
  return text;
}

TEST(ImportStore, StoresAsFinishDoesJoinedOrReplacing) {
  struct Case {
    ImportMode mode;
    std::vector<std::string> stored;  // each of `properties`, as Stored gives it
  };
  const char* properties[] = {"Drivers",     "DriversInfo",      "DriversSelections",
                              "DataSources", "DataSourcesTypes", "DataSourcesUninstFlags"};
  const Case cases[] = {
      {ImportMode::kJoin,
       {"A;B;C;", "Driver=a;Driver=b2\r\nX=1;Driver=c;", "False;True;True;", "S;T;", "user;system;",
        "False;False;"}},
      {ImportMode::kReplace,
       {"B;C;", "Driver=b2\r\nX=1;Driver=c;", "True;True;", "T;", "system;", "False;"}},
  };
  for (const Case& c : cases) {
    MemoryDesignObject object;
    object.PutProperty("Drivers", Value::Strings({"A", "B"}));
    object.PutProperty("DriversInfo", Value::Strings({"Driver=a", "Driver=b1"}));
    object.PutProperty("DriversSelections", Value::Booleans({false, true}));
    object.PutProperty("DataSources", Value::Strings({"S"}));
    object.PutProperty("DataSourcesInfo", Value::Strings({""}));
    object.PutProperty("DataSourcesTypes", Value::Strings({"user"}));
    object.PutProperty("DataSourcesSelections", Value::Booleans({true}));
    object.PutProperty("DataSourcesUninstFlags", Value::Booleans({false}));
    ImportedChoices choices;
    choices.drivers = {Item("B", {{"Driver", "b2"}, {"X", "1"}}), Item("C", {{"Driver", "c"}}),
                       Item("C", {{"Driver", "second"}})};
    choices.dataSources = {Item("T", {}, true, false)};
    const StoreResult result = StoreImported(object, "o.json", choices, c.mode);
    for (size_t i = 0; i < c.stored.size(); ++i)
      EXPECT_EQ(Stored(object, properties[i]), c.stored[i]) << properties[i];
    EXPECT_EQ(result.replaced.size(), c.mode == ImportMode::kJoin ? 1u : 0u);
  }
}

TEST(ImportStore, AnEmptyFamilyIsTheOnePlaceholderAndALineBreakIsRefused) {
  MemoryDesignObject object;
  ImportedChoices choices;
  choices.drivers = {Item("A", {{"Driver", "a"}})};
  StoreImported(object, "o.json", choices, ImportMode::kReplace);
  EXPECT_EQ(Stored(object, "DataSources"), ";");
  EXPECT_EQ(Stored(object, "DataSourcesTypes"), ";");
  EXPECT_EQ(Stored(object, "DataSourcesSelections"), "False;");

  // A value holding a line break is refused and the object left untouched (a 32,768th data
  // source and a nameless item: Import.RefusesWhatTheStoredListsCannotTake).
  choices.drivers = {Item("A", {{"Driver", "a\r\nB=b"}})};
  MemoryDesignObject untouched;
  EXPECT_THROW(StoreImported(untouched, "o.json", choices, ImportMode::kReplace), ImportError);
  EXPECT_TRUE(untouched.Peek("Drivers").IsEmpty());
}

}  // namespace
}  // namespace lumora::exporting
