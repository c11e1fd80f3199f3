// How exported items are named and placed in an installer database, and how the templates
// resolve path symbols; what the real tools make of the output is proved in tests/e2e, with
// non-ASCII names, the system folder and bracketed values.
#include <gtest/gtest.h>

#include "export/ExportWriters.h"
#include "export/InstallerModel.h"

namespace lumora::exporting {
namespace {

ExportItem Driver(std::string name, std::vector<AttributeLine> lines) {
  return {ItemKind::kDriver, std::move(name), std::move(lines), false};
}

TEST(IdentifierPool, MakesValidUniqueIdentifiersInOrder) {
  IdentifierPool pool;
  const std::pair<std::string, std::string> cases[] = {
      {"SQL Server", "SQL_Server"},
      {"SQL Server", "SQL_Server.2"},
      {"sql_server", "sql_server.3"},  // unique ignoring case
      {"1st", "_1st"},
      {"", "_"},
      {std::string(80, 'a'), std::string(72, 'a')},
      {std::string(80, 'a'), std::string(70, 'a') + ".2"},
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
    for (const InstallRow& row : layout.drivers) drivers.push_back(row.component);
    for (const InstallFile& file : layout.files) files.push_back(file.component);
    EXPECT_EQ(drivers, c.driverComponents) << c.component;
    EXPECT_EQ(files, c.fileComponents) << c.component;
    EXPECT_EQ(layout.drivers[1].file, layout.drivers[0].file);  // the same file, ignoring case
    EXPECT_EQ(layout.files[1].folder.property, "CommonFilesFolder");
  }
  EXPECT_THROW(BuildInstallerModel(choices, FolderSet{}, "1st component"), ExportError);
}

TEST(WixFragment, EscapesNamesAndRefusesControlCharacters) {
  ExportChoices choices;
  choices.drivers = {Driver("A & \"B\" <C>", {{"Driver", "a.dll"}, {"Note", "x\ty"}})};
  const std::string text = WriteWixFragment(choices, {}).files.at(0).text;
  EXPECT_NE(text.find("Name=\"A &amp; &quot;B&quot; &lt;C&gt;\""), std::string::npos) << text;
  EXPECT_NE(text.find("Value=\"x&#9;y\""), std::string::npos) << text;
  choices.drivers[0].lines[1].value = "x\x01y";
  EXPECT_THROW(WriteWixFragment(choices, {}), ExportError);
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

}  // namespace
}  // namespace lumora::exporting
