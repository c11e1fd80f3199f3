// How exported items are named and placed in an installer database, and how the templates
// resolve path symbols; what the real tools make of the output is proved in tests/e2e, with
// non-ASCII names, the system folder and bracketed values. Then the output folder, left with
// every old file or every new one: a name given twice makes the second rename fail after the
// first succeeded, which exercises the putting back. Writing new files and replacing old ones is
// ExportCommand.ReplacesOnlyWhatItNamesAllOrNothing's.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "export/ExportWriters.h"
#include "export/InstallerModel.h"
#include "export/OutputFolder.h"
#include "support/Outcome.h"
#include "support/RunProcess.h"

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

TEST(FormattedValue, MakesPathSymbolsFolderPropertiesAndEscapesBrackets) {
  const FolderSet folders;  // the usual folders: DAO under Common Files
  const std::pair<const char*, const char*> cases[] = {
      {"<WINDIR>", "[WindowsFolder]"},
      {"<COMMONFILES>\\System\\x.dll", "[CommonFilesFolder]System\\x.dll"},
      {"<PROGRAMFILES>\\A [1]\\z.dll", "[ProgramFilesFolder]A [\\[]1[\\]]\\z.dll"},
      {"<DAO>\\dao360.dll", "[CommonFilesFolder]Microsoft Shared\\DAO\\dao360.dll"},
      {"<WINSYSDIRX>\\a", "<WINSYSDIRX>\\a"},  // no symbol: the name runs on
      {"x<WINDIR>\\a", "x<WINDIR>\\a"},        // only a leading symbol is a folder
  };
  for (const auto& [value, formatted] : cases) {
    EXPECT_EQ(FormattedValue(value, folders), formatted) << value;
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

// The XML writer escapes what XML reserves and refuses, by itself, what XML cannot carry and the
// Unicode noncharacters.
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
      {"x\xef\xbf\xbe", nullptr, "a Unicode noncharacter (U+FFFE)"},
      {"\xef\xbf\xbf", nullptr, "a Unicode noncharacter (U+FFFF)"},
      {"\xef\xb7\x90", nullptr, "a Unicode noncharacter (U+FDD0)"},
      {"\xf4\x8f\xbf\xbf", nullptr, "a Unicode noncharacter (U+10FFFF)"},
      {"\xef\xb7\xaf", nullptr, "a Unicode noncharacter (U+FDEF)"},
      {"plain \xc3\xa9 &\xef\xbf\xbe", nullptr, "a Unicode noncharacter (U+FFFE)"},
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

// A symbol resolves through the host's folder and the drive mapping; on an unmapped drive the
// line is kept with a warning naming it. A line of 999 bytes, the most unixODBC reads whole, is
// written; ExportCommand.RefusesWhatTheFormatCannotCarryAndWritesNothing refuses one byte more.
TEST(OdbcinstTemplates, ResolvesPathSymbolsThroughTheDriveMapOrWarns) {
  const std::string longest = "X=" + std::string(997, 'v');
  ExportChoices choices;
  choices.drivers = {Driver(
      "A",
      {{"Driver", "<PROGRAMFILES>\\a.so"}, {"Setup", "<WINDIR>\\s.so"}, {"X", longest.substr(2)}})};
  ExportOptions options;
  options.folders.programFiles = "D:\\PF\\";
  options.folders.windows = "E:\\Win\\";
  options.drives = {{'D', "/opt/d"}};
  const ExportOutput out = WriteOdbcinstTemplates(choices, options);
  EXPECT_NE(out.files.at(0).text.find("\n[A]\nDriver=/opt/d/PF/a.so\nSetup=<WINDIR>\\s.so\n" +
                                      longest + "\n"),
            std::string::npos)
      << out.files.at(0).text;
  EXPECT_EQ(out.warnings,
            std::vector<std::string>{
                "odbcinst.ini: [A] Setup=<WINDIR>\\s.so: <WINDIR> is E:\\Win\\, on no "
                "drive mapped to this machine; kept as it is"});
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
  };
  // clang-format off
  const Case cases[] = {
      {"a new file put back", {}, {{"a", "1"}, {"a", "2"}}, false},
      {"an exchanged file put back", {{"a", "old"}, {"c", "mine"}},
       {{"a", "1"}, {"b", "2"}, {"b", "3"}}, true},
      {"a temporary file that cannot be made", {{"a", "old"}},
       {{"a", "1"}, {std::string(300, 'n'), "2"}}, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    testing::TempDir dir;
    for (const auto& [name, text] : c.before) dir.Write("out/" + name, text);
    std::filesystem::create_directories(dir.File("out"));
    EXPECT_THROW(WriteOutputFolder(dir.File("out"), c.files, c.replace), HostError) << c.what;
    EXPECT_EQ(Read(dir.File("out")), c.before) << c.what;  // no temporary file left either
  }
}

}  // namespace
}  // namespace lumora::exporting
