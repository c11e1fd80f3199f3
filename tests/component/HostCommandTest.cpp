// lumora as the host of the component: register and unregister call the component's exports,
// and the other commands load the class that the component registry names, else the library
// beside lumora.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

using testing::Lumora;
using testing::ReadFile;
using testing::RunProcess;

class HostCommand : public ::testing::Test {
 protected:
  std::string Registry() const { return dir_.File("lumora/components.json"); }

  testing::TempDir dir_;
  testing::ScopedEnv env_{"XDG_DATA_HOME", dir_.path().c_str()};
};

TEST_F(HostCommand, RegisterAndUnregisterCallTheComponentsExports) {
  auto r = RunProcess(Lumora(), {"register"});
  ASSERT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out.rfind("registered BVLumora.LumoraCtl (", 0), 0u) << r.out;
  EXPECT_NE(ReadFile(Registry()).find("Brevant Lumora Object Wizard"), std::string::npos);

  r = RunProcess(Lumora(), {"build", "examples/object.json", "ODBC"});
  EXPECT_EQ(r.exitStatus, 0) << r.err;
  EXPECT_EQ(r.out, "true\tODBC\n");

  ASSERT_EQ(RunProcess(Lumora(), {"unregister"}).exitStatus,
            0);  // what it leaves: ComponentRegistration
  r = RunProcess(Lumora(), {"register", dir_.File("missing.so")});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find("cannot load the component"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(Registry()));
}

TEST_F(HostCommand, LoadsTheClassTheRegistryNamesAndNeverAnotherOne) {
  // A registration naming a file that is no library: lumora must try that file.
  dir_.Write("fake/libBVLumora.so", "not a library");
  dir_.Write("lumora/components.json", testing::RegistryNaming(dir_.File("fake/libBVLumora.so")));
  auto r = RunProcess(Lumora(), {"build", "examples/object.json", "ODBC"});
  EXPECT_EQ(r.exitStatus, 1);
  EXPECT_NE(r.err.find(dir_.File("fake/libBVLumora.so")), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");

  // A registration whose file is gone is refused by name: the library beside lumora is not
  // loaded in its place.
  std::filesystem::remove(dir_.File("fake/libBVLumora.so"));
  r = RunProcess(Lumora(), {"build", "examples/object.json", "ODBC"});
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_NE(r.err.find(dir_.File("fake/libBVLumora.so") + " registered in "), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("No such file"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace lumora
