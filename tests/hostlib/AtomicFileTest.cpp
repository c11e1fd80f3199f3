// The component registry's atomic write: the old text or the new, its mode kept, nothing left.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "hostlib/AtomicFile.h"
#include "support/Outcome.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

using testing::ModeOf;
using testing::ReadFile;
using testing::TempDir;

TEST(AtomicFile, ReplacesTheFileKeepingItsModeAndLeavesNothingBeside) {
  struct Row {
    const char* name;
    int mode;  // of the file that is there; -1: none
    unsigned expected;
  };
  for (const Row& row : {Row{"new", -1, 0644}, Row{"kept", 0600, 0600}, Row{"wide", 0664, 0664}}) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    if (row.mode >= 0) {
      dir.Write("r.json", "old");
      ::chmod(dir.File("r.json").c_str(), static_cast<mode_t>(row.mode));
    }
    ReplaceFileAtomically(dir.File("r.json"), "new text");
    EXPECT_EQ(ReadFile(dir.File("r.json")), "new text");
    EXPECT_EQ(ModeOf(dir.File("r.json")), row.expected);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"r.json"});
  }
}

TEST(AtomicFile, RefusesNamingTheFileAndWhy) {
  TempDir dir;
  const std::string missing = dir.File("none/r.json");
  EXPECT_EQ(testing::MessageOf<HostError>([&] { ReplaceFileAtomically(missing, "x"); }),
            missing + ": cannot open its folder: No such file or directory");
  std::filesystem::create_directory(dir.File("r.json"));
  const std::string error =
      testing::MessageOf<HostError>([&] { ReplaceFileAtomically(dir.File("r.json"), "x"); });
  EXPECT_EQ(error.rfind(dir.File("r.json") + ": cannot replace it: ", 0), 0u) << error;
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"r.json"}) << "no new text stays beside it";
}

}  // namespace
}  // namespace lumora
