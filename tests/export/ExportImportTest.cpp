// How exported items are named and placed in an installer database, and how the templates
// resolve path symbols; what the real tools make of the output is proved in tests/e2e, with
// non-ASCII names, the system folder and bracketed values. Then the output folder, left with
// every old file or every new one: a name given twice makes the second rename fail after the
// first succeeded, which exercises the putting back. Writing new files and replacing old ones is
// ExportCommand.ReplacesOnlyWhatItNamesAllOrNothing's. And the way back, how imported paths and
// items come back into the stored form: path symbols from Windows paths, formatted values and
// local paths; data sources' type and uninstall notes from unixODBC files; and the stored lists as
// Finish writes them, joined or replaced. The real tools' files are proved in tests/e2e by round
// trips (ImportRoundTrip), which bring back a path in each host folder, a bracketed value, an
// empty one, and user and system data sources naming their driver.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "export/ExportWriters.h"
#include "export/ImportStore.h"
#include "export/ImportedChoices.h"
#include "export/InstallerModel.h"
#include "export/OutputFolder.h"
#include "support/Outcome.h"
#include "support/RunProcess.h"
#include "support/doubles/FaultyFileSystem.h"
#include "support/doubles/MemoryDesignObject.h"

namespace lumora::exporting {
namespace {

ExportItem Driver(std::string name, std::vector<AttributeLine> lines) {
  return {ItemKind::kDriver, std::move(name), std::move(lines), false};
}

TEST(IdentifierPool, MakesValidUniqueIdentifiersInOrder) {
  IdentifierPool pool;
  ASSERT_TRUE(pool.Reserve("X.2"));
  ASSERT_FALSE(pool.Reserve("x.2"));
  const std::pair<std::string, std::string> cases[] = {
      {"SQL Server", "SQL_Server"},
      {"SQL Server", "SQL_Server.2"},
      {"sql_server", "sql_server.3"},  // unique ignoring case
      {"1st", "_1st"},
      {"", "_"},
      {std::string(80, 'a'), std::string(72, 'a')},
      {std::string(80, 'a'), std::string(70, 'a') + ".2"},
      {std::string(75, 'a') + "b", std::string(70, 'a') + ".3"},  // the same 72 characters
      {"X", "X"},
      {"X", "X.3"},  // X.2 was reserved below before this one
      {"x", "x.4"},  // one count per base, ignoring case
  };
  for (const auto& [text, id] : cases) {
    EXPECT_EQ(pool.Make(text), id) << text;
    EXPECT_TRUE(IdentifierPool::IsValid(id)) << id;
  }
}

TEST(IdentifierPool, KeepsEveryIdentifierTakenAsItGrows) {
  IdentifierPool pool;  // nothing expected: its table grows from the smallest
  for (int i = 0; i < 100; ++i)
    ASSERT_EQ(pool.Make("n" + std::to_string(i)), "n" + std::to_string(i));
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(pool.Make("N" + std::to_string(i)), "N" + std::to_string(i) + ".2");
  }
}

TEST(FormattedValue, MakesPathSymbolsFolderPropertiesAndEscapesBrackets) {
  const FolderSet folders;  // the usual folders: DAO under Common Files
  const std::tuple<const char*, Arch, const char*> cases[] = {
      {"<WINDIR>", Arch::kX86, "[WindowsFolder]"},
      {"<COMMONFILES>\\System\\x.dll", Arch::kX86, "[CommonFilesFolder]System\\x.dll"},
      {"<PROGRAMFILES>\\A [1]\\z.dll", Arch::kX86, "[ProgramFilesFolder]A [\\[]1[\\]]\\z.dll"},
      {"<DAO>\\dao360.dll", Arch::kX86, "[CommonFilesFolder]Microsoft Shared\\DAO\\dao360.dll"},
      {"<WINSYSDIRX>\\a", Arch::kX86, "<WINSYSDIRX>\\a"},  // no symbol: the name runs on
      {"x<WINDIR>\\a", Arch::kX86, "x<WINDIR>\\a"},        // only a leading symbol is a folder
      // A 64-bit package: each folder that has a 64-bit one becomes it.
      {"<WINSYSDIR>\\a.dll", Arch::kX64, "[System64Folder]a.dll"},
      {"<PROGRAMFILES>\\A\\z.dll", Arch::kX64, "[ProgramFiles64Folder]A\\z.dll"},
      {"<COMMONFILES>\\System\\x.dll", Arch::kX64, "[CommonFiles64Folder]System\\x.dll"},
      {"<DAO>\\dao360.dll", Arch::kX64, "[CommonFiles64Folder]Microsoft Shared\\DAO\\dao360.dll"},
      {"<WINDIR>\\a.dll", Arch::kX64, "[WindowsFolder]a.dll"},
  };
  for (const auto& [value, arch, formatted] : cases) {
    EXPECT_EQ(FormattedValue(value, folders, arch), formatted) << value;
  }
  FolderSet elsewhere;
  elsewhere.dao = "D:\\DAO\\";
  EXPECT_THROW(FormattedValue("<DAO>\\dao360.dll", elsewhere), ExportError);
}

// A file belongs to the component of the first item that brings it; a component holds files of
// one folder, so a setup file elsewhere gets a further component of the same group.
TEST(InstallerModel, PlacesFilesInTheComponentOfTheirFirstItem) {
  ExportChoices choices;
  choices.drivers = {
      Driver("A", {{"Driver", "<WINSYSDIR>\\a.dll"}, {"Setup", "<COMMONFILES>\\as.dll"}}),
      Driver("B", {{"Driver", "<WINSYSDIR>\\A.DLL"}, {"Setup", "<WINSYSDIR>\\b.dll"}}),
  };
  struct Case {
    std::string component;
    std::vector<std::string> driverComponents;
    std::vector<std::string> fileComponents;  // a.dll, as.dll, b.dll
  };
  const Case cases[] = {
      {"", {"A", "A"}, {"A", "A.2", "A"}},
      {"Odbc", {"Odbc", "Odbc"}, {"Odbc", "Odbc.2", "Odbc"}},
  };
  for (const Case& c : cases) {
    const InstallerModel layout = BuildInstallerModel(choices, FolderSet{}, c.component);
    ASSERT_EQ(layout.files.size(), 3u);
    std::vector<std::string> drivers, files;
    for (const InstallRow& row : layout.drivers) {
      drivers.push_back(layout.components.at(row.componentAt).id);
    }
    for (const InstallFile& file : layout.files) {
      files.push_back(layout.components.at(file.componentAt).id);
    }
    EXPECT_EQ(drivers, c.driverComponents) << c.component;
    EXPECT_EQ(files, c.fileComponents) << c.component;
    EXPECT_EQ(layout.drivers[1].fileAt, layout.drivers[0].fileAt);  // the same file, ignoring case
    EXPECT_EQ(layout.files[1].folder.property, "CommonFilesFolder");
  }
  EXPECT_THROW(BuildInstallerModel(choices, FolderSet{}, "1st component"), ExportError);
}

// Where the file of a Driver= or Setup= value lies: under its path symbol's folder; without one,
// its folders under TARGETDIR with the drive letter dropped (never a "C:" folder), a bare name
// in the system folder; for a 64-bit package the 64-bit folders.
TEST(InstallerModel, PlacesEachFileInTheFolderItsValueNames) {
  using Folders = std::vector<std::string>;
  const std::tuple<const char*, Arch, const char*, Folders> cases[] = {
      {"C:\\Drivers\\x.dll", Arch::kX86, "TARGETDIR", {"Drivers"}},
      {"d:/Acme/Bin/x.dll", Arch::kX86, "TARGETDIR", {"Acme", "Bin"}},
      {"Acme\\x.dll", Arch::kX86, "TARGETDIR", {"Acme"}},
      {"x.dll", Arch::kX86, "SystemFolder", {}},
      {"x.dll", Arch::kX64, "System64Folder", {}},
      {"C:\\Drivers\\x.dll", Arch::kX64, "TARGETDIR", {"Drivers"}},
      {"<WINSYSDIR>\\x.dll", Arch::kX64, "System64Folder", {}},
      {"<PROGRAMFILES>\\Acme\\x.dll", Arch::kX64, "ProgramFiles64Folder", {"Acme"}},
      {"<WINDIR>\\x.dll", Arch::kX64, "WindowsFolder", {}},
  };
  for (const auto& [value, arch, property, subfolders] : cases) {
    ExportChoices choices;
    choices.drivers = {Driver("A", {{"Driver", value}})};
    const InstallerModel model = BuildInstallerModel(choices, FolderSet{}, "", arch);
    ASSERT_EQ(model.files.size(), 1u) << value;
    EXPECT_EQ(model.files[0].folder, (InstallFolder{property, subfolders})) << value;
    EXPECT_EQ(model.files[0].name, "x.dll") << value;
  }
}

// A data source kept on uninstall gets a permanent component of its own, named component or not;
// one removed on uninstall joins its driver's component (or the named one, or the shared one).
TEST(InstallerModel, KeepsDataSourcesKeptOnUninstallInPermanentComponents) {
  ExportChoices choices;
  choices.drivers = {Driver("SQL Server", {{"Driver", "sqlsrv32.dll"}})};
  auto source = [](std::string name, std::string driver, bool removed) {
    ExportItem item{ItemKind::kDataSource, std::move(name), {{"DriverName", std::move(driver)}}};
    item.removedOnUninstall = removed;
    return item;
  };
  choices.dataSources = {source("Sales", "SQL Server", true), source("Sales", "SQL Server", false),
                         source("Lager", "Oracle", true), source("Orders", "sql server", false)};
  struct Case {
    std::string component;
    std::vector<std::string> sourceComponents;
  };
  const Case cases[] = {
      {"", {"SQL_Server", "Keep.Sales.2", "ODBCDataSources", "Keep.Orders"}},
      {"Odbc", {"Odbc", "Keep.Sales.2", "Odbc", "Keep.Orders"}},
  };
  for (const Case& c : cases) {
    const InstallerModel model = BuildInstallerModel(choices, FolderSet{}, c.component);
    std::vector<std::string> components;
    for (const InstallRow& row : model.dataSources) {
      const InstallComponent& component = model.components.at(row.componentAt);
      components.push_back(component.id);
      EXPECT_EQ(component.permanent, !row.item->removedOnUninstall) << component.id;
      EXPECT_FALSE(component.permanent && component.hasFolder) << "holds a file";
    }
    EXPECT_EQ(components, c.sourceComponents) << c.component;
  }
}

// No format carries a control character or bytes that are not UTF-8, in any name or value.
TEST(CheckCarriable, RefusesControlCharactersAndBrokenUtf8Anywhere) {
  const std::pair<std::string, std::string> cases[] = {
      {"Ärzte €", ""},
      {"a\x7f", "control character U+007F"},
      {"a\xc2\x85", "control character U+0085"},
      {"a\xc3", "bytes that are not UTF-8"},
      {"\xed\xa0\x80", "bytes that are not UTF-8"},  // a surrogate
      // Past the start, and at either end.
      {"Driver number 17, all printable ~", ""},
      {"eight by\x01tes, and more", "control character U+0001"},
      {"sixteen letters, \x7f and more", "control character U+007F"},
      {"sixteen letters, \xc3\x84rzte", ""},
      {"a\xef\xb7\x90", "Unicode noncharacter U+FDD0"},
  };
  for (const auto& [text, what] : cases) {
    EXPECT_EQ(UncarriableIn(text), what) << Printable(text);
    for (int place = 0; place < 3; ++place) {
      ExportChoices choices;
      choices.drivers = {Driver("A", {{"Driver", "a.dll"}, {"Note", "x"}})};
      std::string& target = place == 0   ? choices.drivers[0].name
                            : place == 1 ? choices.drivers[0].lines[1].name
                                         : choices.drivers[0].lines[1].value;
      target = text;
      const std::string said =
          testing::MessageOf<ExportError>([&] { CheckCarriable(choices); }, "");
      EXPECT_EQ(said.empty(), what.empty()) << Printable(text) << " at " << place;
      EXPECT_NE(said.find(what), std::string::npos) << said;
      EXPECT_EQ(said.find('\0'), std::string::npos);
    }
  }
}

// Names and keys no format carries are refused for every format, the installer tables' too: a
// data source named as a driver manager's own section, brackets, blanks around a name or a key.
TEST(CheckCarriable, RefusesReservedAndBracketedNamesAndBlankKeysForEveryFormat) {
  const std::pair<ExportItem, const char*> cases[] = {
      {{ItemKind::kDataSource, "odbc data sources", {}, false, false},
       "[ODBC Data Sources] is a name the driver managers reserve"},
      {{ItemKind::kDataSource, "DEFAULT", {}, false, false}, "[Default] is a name"},
      {{ItemKind::kDataSource, "Sales [EU]", {}, false, false}, "cannot hold '['"},
      {{ItemKind::kDataSource, " Sales", {}, false, false}, "nor begin or end with blanks"},
      {{ItemKind::kDataSource, "Sales", {{" DRIVER", "/x.so"}}, false, false},
       "attribute \" DRIVER\" cannot be an ini key"},
      {{ItemKind::kDataSource, "Sales", {{";x", "1"}}, false, false}, "cannot be an ini key"},
      {{ItemKind::kDataSource, "Sales", {{"savefile", "/tmp/x"}}, false, false},
       "attribute \"savefile\" is one the driver manager acts on itself"},
      {{ItemKind::kDataSource, "Sales", {{"FileDSN", "x.dsn"}}, false, false}, "acts on itself"},
      {{ItemKind::kDataSource, "Sales", {{"Server", "db1"}}, false, false}, ""},
  };
  for (const auto& [item, refusal] : cases) {
    ExportChoices choices;
    choices.dataSources = {item};
    choices.dataSources[0].lines.insert(choices.dataSources[0].lines.begin(), {"DriverName", "D"});
    const std::string said =
        testing::MessageOf<ExportError>([&] { WriteMsiTables(choices, {}); }, "");
    EXPECT_EQ(said.empty(), *refusal == '\0') << item.name << ": " << said;
    EXPECT_NE(said.find(refusal), std::string::npos) << said;
  }
}

// The XML writer escapes what XML reserves; what XML cannot carry and the Unicode noncharacters
// are refused before it writes, by the check every format shares.
TEST(WixFragment, EscapesMarkupAndRefusesNoncharacters) {
  ExportChoices choices;
  choices.drivers = {Driver("A & \"B\" <C>", {{"Driver", "a.dll"}, {"Note", "x"}})};
  const std::string text = WriteWixFragment(choices, {}).files.at(0).text;
  EXPECT_NE(text.find("Name=\"A &amp; &quot;B&quot; &lt;C&gt;\""), std::string::npos) << text;
  // Plain runs and what needs a reference, in every order, with UTF-8 between them, as the
  // value is written; or what refuses it.
  const struct {
    const char* value;
    const char* written;
    const char* refusal;
  } cases[] = {
      {"plain text", "plain text", nullptr},
      {"a<b>c", "a&lt;b&gt;c", nullptr},
      {"\xc3\xa9&\xe4\xb8\x80\"", "\xc3\xa9&amp;\xe4\xb8\x80&quot;", nullptr},
      {"ends in &", "ends in &amp;", nullptr},
      {"<>", "&lt;&gt;", nullptr},
      {"\xef\xbf\xbd \xf0\x9f\x98\x80 \xef\xb7\xb0", "\xef\xbf\xbd \xf0\x9f\x98\x80 \xef\xb7\xb0",
       nullptr},  // U+FFFD, an emoji, U+FDF0
      {"x\xef\xbf\xbe", nullptr, "Unicode noncharacter U+FFFE"},
      {"\xef\xbf\xbf", nullptr, "Unicode noncharacter U+FFFF"},
      {"\xef\xb7\x90", nullptr, "Unicode noncharacter U+FDD0"},
      {"\xf4\x8f\xbf\xbf", nullptr, "Unicode noncharacter U+10FFFF"},
      {"\xef\xb7\xaf", nullptr, "Unicode noncharacter U+FDEF"},
      {"plain \xc3\xa9 &\xef\xbf\xbe", nullptr, "Unicode noncharacter U+FFFE"},
  };
  for (const auto& c : cases) {
    choices.drivers[0].lines[1].value = c.value;
    std::string fragment;
    const std::string said = testing::MessageOf<ExportError>(
        [&] { fragment = WriteWixFragment(choices, {}).files.at(0).text; }, "written");
    if (c.refusal == nullptr) {
      EXPECT_NE(fragment.find(std::string("Value=\"") + c.written + "\" />"), std::string::npos)
          << fragment;
    } else {
      EXPECT_NE(said.find("driver \"A & \"B\" <C>\": "), std::string::npos) << said;
      EXPECT_NE(said.find(c.refusal), std::string::npos) << said;
    }
  }
}

// unixODBC reads a line of at most 999 bytes whole and keeps one of two keys that differ only in
// letter case: what it would split or lose is refused. The uninstall flag is a comment line above
// each data source's section.
TEST(OdbcinstTemplates, RefusesLinesUnixOdbcSplitsAndNotesTheUninstallFlag) {
  const struct {
    const char* what;
    std::vector<AttributeLine> attributes;
    std::string written;  // "" when refused
  } cases[] = {
      {"a line of 999 bytes",
       {{"X", std::string(997, 'v')}},
       "\nX=" + std::string(997, 'v') + "\n"},
      {"a line of 1,000 bytes", {{"X", std::string(998, 'v')}}, ""},
      {"a key given twice in other letter case", {{"Setup", "s.so"}, {"SETUP", "t.so"}}, ""},
      {"keys that differ by more than case",
       {{"Setup", "s.so"}, {"Setup2", "t.so"}},
       "\nSetup=s.so\nSetup2=t.so\n"},
      {"a key starting a section header", {{"[X", "1"}}, ""},
  };
  for (const auto& c : cases) {
    ExportChoices choices;
    std::vector<AttributeLine> attributes = {{"Driver", "a.so"}};
    attributes.insert(attributes.end(), c.attributes.begin(), c.attributes.end());
    choices.drivers = {Driver("A", attributes)};
    if (c.written.empty()) {
      EXPECT_THROW(WriteOdbcinstTemplates(choices, {}), ExportError) << c.what;
    } else {
      EXPECT_NE(WriteOdbcinstTemplates(choices, {}).files.at(0).text.find(c.written),
                std::string::npos)
          << c.what;
    }
  }
  ExportChoices choices;
  choices.dataSources = {{ItemKind::kDataSource, "Kept", {{"DriverName", "<DAO>"}}, false, false},
                         {ItemKind::kDataSource, "Gone", {{"DriverName", "A"}}, false, true}};
  const std::string user = WriteOdbcinstTemplates(choices, {}).files.at(1).text;
  EXPECT_NE(user.find("\n; on uninstall: keep\n[Kept]\nDriver=<DAO>\n"), std::string::npos) << user;
  EXPECT_NE(user.find("\n; on uninstall: remove\n[Gone]\nDriver=A\n"), std::string::npos) << user;
}

// A symbol resolves through the host's folder and the drive mapping; on an unmapped drive the
// line is kept with a warning naming it.
TEST(OdbcinstTemplates, ResolvesPathSymbolsThroughTheDriveMapOrWarns) {
  ExportChoices choices;
  choices.drivers = {
      Driver("A", {{"Driver", "<PROGRAMFILES>\\a.so"}, {"Setup", "<WINDIR>\\s.so"}})};
  ExportOptions options;
  options.folders.programFiles = "D:\\PF\\";
  options.folders.windows = "E:\\Win\\";
  options.drives = {{'D', "/opt/d"}};
  const ExportOutput out = WriteOdbcinstTemplates(choices, options);
  EXPECT_NE(out.files.at(0).text.find("\n[A]\nDriver=/opt/d/PF/a.so\nSetup=<WINDIR>\\s.so\n"),
            std::string::npos)
      << out.files.at(0).text;
  ASSERT_EQ(out.warnings.size(), 1u);
  EXPECT_EQ(out.warnings[0],
            "odbcinst.ini: [A] Setup=<WINDIR>\\s.so: <WINDIR> is E:\\Win\\, on no drive mapped "
            "to this machine; kept as it is");
}

using Contents = std::map<std::string, std::string>;

Contents Read(const std::string& folder) {
  Contents out;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    out[entry.path().filename().string()] = testing::ReadFile(entry.path().string());
  }
  return out;
}

TEST(WriteOutputFolder, LeavesTheOldFilesOrEveryNewOne) {
  struct Case {
    const char* what;
    Contents before;
    std::vector<OutputFile> files;
    bool replace;  // each write fails (a host error), leaving `before` as it was
    std::vector<testing::Fault> faults = {};
    long long writeBudget = -1;  // bytes the disk takes before it is full
  };
  // clang-format off
  const Case cases[] = {
      {"a new file put back", {}, {{"a", "1"}, {"a", "2"}}, false},
      {"an exchanged file put back", {{"a", "old"}, {"c", "mine"}},
       {{"a", "1"}, {"b", "2"}, {"b", "3"}}, true},
      {"a temporary file that cannot be made", {{"a", "old"}},
       {{"a", "1"}, {std::string(300, 'n'), "2"}}, true},
      {"a disk that fills on the second file", {{"a", "old"}, {"b", "old b"}},
       {{"a", "1"}, {"b", std::string(5000, 'x')}}, true, {}, 100},
      {"a sync that fails on the second file", {{"a", "old"}},
       {{"a", "1"}, {"b", "2"}}, true, {{"Sync", "", EIO, false, 2}}},
      {"a close that fails on the first file", {},
       {{"a", "1"}, {"b", "2"}}, false, {{"Close", "", EIO, false, 1}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::TempDir dir;
    for (const auto& [name, text] : c.before) dir.Write("out/" + name, text);
    std::filesystem::create_directories(dir.File("out"));
    testing::FaultyFileSystem fs;
    fs.faults = c.faults;
    fs.writeBudget = c.writeBudget;
    EXPECT_THROW(WriteOutputFolder(dir.File("out"), c.files, c.replace, fs), HostError) << c.what;
    EXPECT_EQ(Read(dir.File("out")), c.before) << c.what;  // no temporary file left either
  }
}

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
       SourceType::kUnstated, "S|u|1|Server=a;T|u|0;U|u|1;"},
      // Only export's own note, right above the section, sets the flag.
      {"odbc-user.ini",
       "; uninstall notes: not kept\n[S]\n; on uninstall: keep\n\n[T]\n;on uninstall: keep\n[U]\n"
       "# on uninstall: keep\n[V]\n",
       SourceType::kUnstated, "S|u|1;T|u|1;U|u|1;V|u|1;"},
      // The first of each name and key, as the driver manager resolves them; no UsageCount.
      {"odbcinst.ini",
       "[D]\ndriver\t=\t/a.so\t\nDRIVER=/b.so\nUsageCount=3\nFlag\n=x\n[d]\nDriver=/c.so\n",
       SourceType::kUnstated, "D|u|1|driver=/a.so|Flag=;"},
      {"odbc-user.ini", "[ODBC Data Sources]\nS=d\n[odbc]\nx=1\n[S]\nDriver=d\n[s]\n",
       SourceType::kUnstated, "S|u|1|DriverName=d;"},
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
