// The window library loads while the wizard starts: one that cannot be loaded still stops the
// run with its reason, and the object is left as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

using testing::RunProcess;
using testing::TempDir;

TEST(WindowLibrary, OneThatCannotBeLoadedStopsTheRunWithItsReasonAndWritesNothing) {
  TempDir temp;
  for (const char* file : {"lumora", "libBVLumora.so", "lumora.ini"}) {
    std::filesystem::copy(testing::BinDir() + "/" + file, temp.File(file));
  }
  temp.Write("libBVLumoraQt.so", "not a library");
  temp.Write("o.json", "{\"properties\": {}}\n");
  const testing::ScopedEnv platform("QT_QPA_PLATFORM", "xcb");  // a display is taken as there
  const auto r = RunProcess(temp.File("lumora"), {"wizard", temp.File("o.json"), "--registry",
                                                  "none", "--component-dir", temp.path()});
  EXPECT_EQ(r.exitStatus, 2) << r.err;
  EXPECT_NE(r.err.find("cannot load the wizard window's library: " + temp.File("libBVLumoraQt.so")),
            std::string::npos)
      << r.err;
  EXPECT_EQ(testing::ReadFile(temp.File("o.json")), "{\"properties\": {}}\n");
}

}  // namespace
}  // namespace lumora
