// The output folder is left with every old file or every new one. A name given twice makes the
// second rename fail after the first succeeded, which exercises the putting back. Writing new
// files and replacing old ones is ExportCommand.ReplacesOnlyWhatItNamesAllOrNothing's.
#include "export/OutputFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "support/RunProcess.h"

namespace lumora::exporting {
namespace {

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
