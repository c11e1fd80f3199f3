// Loading a plugin library for its table: a library that cannot be opened, one without the
// export, one of another version, and one that is right, each told in the caller's words.
#include <gtest/gtest.h>

#include <string>

#include "platform/PluginLibrary.h"
#include "support/Platform.h"
#include "support/RunProcess.h"

namespace lumora {
namespace {

struct TestTable {
  int version;
  const char* name;
};

TEST(PluginLibrary, LoadsTheTableOrRefusesTheLibraryInTheCallersWords) {
  SKIP_IN_WINDOWS_BUILD("the test library is built for the POSIX build only");
  const std::string plugin = testing::BinDir() + "/liblumora_test_plugin.so";
  const std::string missing = testing::BinDir() + "/liblumora_no_such_plugin.so";
  const PluginUse use = {.library = "the test library",
                         .owner = "this test",
                         .purpose = ", which tests",
                         .advice = "; try again",
                         .kind = HostError::Kind::kNotDone};
  const struct {
    std::string path;
    const char* entry;
    int version;
    std::string message;  // empty: the table loads
  } cases[] = {
      {plugin, "LumoraTestPluginTable", 3, ""},
      {missing, "LumoraTestPluginTable", 3,
       "cannot load the test library, which tests: " + missing},
      {plugin, "NoSuchExport", 3,
       "the test library " + plugin + " does not belong to this test; try again"},
      {plugin, "LumoraTestPluginTable", 4,
       "the test library " + plugin + " does not belong to this test; try again"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + " " + c.entry);
    try {
      const TestTable& table = LoadPlugin<TestTable>(c.path, c.entry, c.version, use);
      EXPECT_EQ(c.message, "");
      EXPECT_EQ(std::string(table.name), "test plugin");
    } catch (const HostError& e) {
      EXPECT_NE(c.message, "");
      EXPECT_EQ(std::string(e.what()).substr(0, c.message.size()), c.message);
      EXPECT_TRUE(std::string(e.what()).ends_with("; try again")) << e.what();
      EXPECT_EQ(e.kind(), HostError::Kind::kNotDone);
    }
  }
}

}  // namespace
}  // namespace lumora
