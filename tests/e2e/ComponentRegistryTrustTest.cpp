// The component registry as an unprivileged user meets it: a registry or a library that someone
// else could have written is refused by name, and nothing is loaded from it.
#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "support/RunProcess.h"
#include "support/ScopedEnv.h"

namespace lumora {
namespace {

using testing::RegistryNaming;
using testing::RunProcess;
using testing::TempDir;

constexpr const char* kTestUser = "lumora-registry-test";

// The user the checks run as: this one when it is not root; else a user made for the test.
// Sets `why` and returns null when there is none.
const passwd* Unprivileged(std::string& why) {
  if (::geteuid() != 0) return ::getpwuid(::geteuid());
  if (::getpwnam(kTestUser) == nullptr &&
      std::system((std::string("useradd --system --no-create-home --shell /usr/sbin/nologin ") +
                   kTestUser + " >/dev/null 2>&1")
                      .c_str()) != 0) {
    why = "running as root and useradd could not make the user " + std::string(kTestUser);
    return nullptr;
  }
  return ::getpwnam(kTestUser);
}

// What another user runs: a copy of the build's lumora with its component and data, and of the
// example object, in a temporary folder anyone may enter. The build tree itself may lie where
// only its owner can reach it (a clone in a home folder of mode 0700).
class ReachableLumora {
 public:
  ReachableLumora() {
    for (const auto& entry : std::filesystem::directory_iterator(testing::BinDir())) {
      if (entry.is_regular_file()) {
        std::filesystem::copy_file(entry.path(), dir_.File(entry.path().filename().string()));
      }
    }
    std::filesystem::copy_file("examples/object.json", dir_.File("object.json"));
    ::chmod(dir_.path().c_str(), 0755);
  }
  std::string program() const { return dir_.File("lumora"); }
  std::string object() const { return dir_.File("object.json"); }

 private:
  TempDir dir_;
};

// The program and its arguments to run lumora as `user` (through setpriv when this is root).
std::pair<std::string, std::vector<std::string>> AsUser(const passwd& user,
                                                        const ReachableLumora& lumora,
                                                        std::vector<std::string> args) {
  if (::geteuid() != 0) return {lumora.program(), args};
  args.insert(args.begin(),
              {"--reuid=" + std::to_string(user.pw_uid), "--regid=" + std::to_string(user.pw_gid),
               "--clear-groups", lumora.program()});
  return {"/usr/bin/setpriv", args};
}

// Writes `text` as the registry of XDG_DATA_HOME `data` below `dir`, each folder 0755; its path.
std::string WriteRegistry(const TempDir& dir, const std::string& text) {
  dir.Write("data/lumora/components.json", text);
  for (const std::string& folder : {dir.path(), dir.File("data"), dir.File("data/lumora")})
    ::chmod(folder.c_str(), 0755);
  return dir.File("data/lumora/components.json");
}

struct TrustCase {
  const char* name;
  mode_t registryMode;
  bool registryForeign;  // owned by a user who is neither the runner nor root
  mode_t libraryMode;
  bool relative;
  const char* refusal;
  mode_t folderMode = 0755;   // the registry's own folder
  bool registryLink = false;  // components.json a symbolic link to the registry beside it
};

TEST(ComponentRegistryTrust, AForeignOrWritableRegistryIsRefusedAndNothingIsLoaded) {
  std::string why;
  const passwd* user = Unprivileged(why);
  if (user == nullptr) GTEST_SKIP() << why;
  const bool asRoot = ::geteuid() == 0;
  const ReachableLumora lumora;
  const std::vector<TrustCase> cases = {
      {"world-writable registry", 0666, false, 0644, false,
       "is not trusted: anyone may write it; nothing was loaded from it"},
      {"foreign registry", 0644, true, 0644, false,
       "is not trusted: it belongs to another user (uid 65534); nothing was loaded from it"},
      {"group-writable library", 0644, false, 0664, false,
       "is not trusted: its group may write it; nothing was loaded"},
      {"relative library", 0644, false, 0644, true, "is not an absolute path; nothing was loaded"},
      {"registry in a world-writable folder", 0644, false, 0644, false,
       "/data/lumora is not safe: anyone may write it; nothing was loaded from it", 0777},
      {"registry through a symbolic link", 0644, false, 0644, false,
       "is not trusted: it is a symbolic link; nothing was loaded from it", 0755, true},
  };
  for (const TrustCase& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.registryForeign && !asRoot) {
      std::cout << "skipped " << c.name << ": only root can give a file to another user\n";
      continue;
    }
    TempDir dir;
    dir.Write("fake.so", "not a library");
    const std::string library = c.relative ? "fake.so" : dir.File("fake.so");
    const std::string registry = WriteRegistry(dir, RegistryNaming(library));
    ::chmod(registry.c_str(), c.registryMode);
    ::chmod(dir.File("fake.so").c_str(), c.libraryMode);
    ::chmod(dir.File("data/lumora").c_str(), c.folderMode);
    if (c.registryLink) {
      std::filesystem::rename(registry, dir.File("data/lumora/real.json"));
      std::filesystem::create_symlink("real.json", registry);
    }
    if (asRoot) {
      ASSERT_EQ(::lchown(registry.c_str(), c.registryForeign ? 65534 : user->pw_uid, user->pw_gid),
                0);
      ASSERT_EQ(::chown(dir.File("fake.so").c_str(), user->pw_uid, user->pw_gid), 0);
    }
    const testing::ScopedEnv env("XDG_DATA_HOME", dir.File("data").c_str());
    const auto [program, args] = AsUser(*user, lumora, {"build", lumora.object(), "ODBC"});
    const testing::ProcessResult r = RunProcess(program, args);
    EXPECT_EQ(r.exitStatus, 2) << r.err;
    EXPECT_NE(r.err.find(c.refusal), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.relative || c.libraryMode != 0644 ? library : registry),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("cannot load"), std::string::npos) << "nothing is loaded: " << r.err;
    EXPECT_EQ(r.out, "");
  }
}

// Another user swaps their own library in for a registered one, in a folder anyone may write,
// while the owner's runs check and load it: none of the runs loads it.
TEST(ComponentRegistryTrust, ALibrarySwappedBetweenCheckAndLoadIsNeverLoaded) {
  std::string why;
  const passwd* user = Unprivileged(why);
  if (user == nullptr) GTEST_SKIP() << why;
  if (::geteuid() != 0) GTEST_SKIP() << "only root can act as a second user here";
  constexpr uid_t kIntruder = 65534;
  const ReachableLumora lumora;
  TempDir dir;
  const std::string shared = dir.File("shared");
  std::filesystem::create_directories(shared);
  std::filesystem::copy_file(testing::BinDir() + "/lumora_test_intruder.so", shared + "/evil.so");
  dir.Write("shared/lib.so", "the owner's library");
  const std::string registry = WriteRegistry(dir, RegistryNaming(shared + "/lib.so"));
  ::chmod(shared.c_str(), 0777);
  ASSERT_EQ(::chown(registry.c_str(), user->pw_uid, user->pw_gid), 0);
  ASSERT_EQ(::chown((shared + "/lib.so").c_str(), user->pw_uid, user->pw_gid), 0);
  ASSERT_EQ(::chown((shared + "/evil.so").c_str(), kIntruder, kIntruder), 0);
  ::chmod((shared + "/evil.so").c_str(), 0644);

  const pid_t swapper = ::fork();
  ASSERT_GE(swapper, 0);
  if (swapper == 0) {
    ::alarm(120);
    if (::setgid(kIntruder) != 0 || ::setuid(kIntruder) != 0) ::_exit(1);
    const std::string lib = shared + "/lib.so", evil = shared + "/evil.so",
                      held = shared + "/held.so";
    for (long i = 0; i < 100'000'000; ++i) {
      ::rename(lib.c_str(), held.c_str());
      ::rename(evil.c_str(), lib.c_str());
      ::rename(lib.c_str(), evil.c_str());
      ::rename(held.c_str(), lib.c_str());
    }
    ::_exit(0);
  }
  const testing::ScopedEnv env("XDG_DATA_HOME", dir.File("data").c_str());
  const auto [program, args] = AsUser(*user, lumora, {"build", lumora.object(), "ODBC"});
  int loaded = 0, refused = 0;
  for (int run = 0; run < 200; ++run) {
    const testing::ProcessResult r = RunProcess(program, args);
    if (r.err.find("intruder loaded") != std::string::npos) ++loaded;
    if (r.exitStatus == 2 && r.err.find("is not trusted: its folder " + shared +
                                        " is not safe: anyone may write it") != std::string::npos)
      ++refused;
  }
  ::kill(swapper, SIGKILL);
  ::waitpid(swapper, nullptr, 0);
  EXPECT_EQ(loaded, 0);
  EXPECT_EQ(refused, 200);
}

// A user saving another user's file in a folder both may write: the file stays its owner's,
// rewritten in place when the user may write it, else left alone with the choices recovered.
TEST(AnotherUsersObject, KeepsItsOwnerOrIsLeftAlone) {
  std::string why;
  const passwd* user = Unprivileged(why);
  if (user == nullptr) GTEST_SKIP() << why;
  if (::geteuid() != 0) GTEST_SKIP() << "only root can make a file of another user here";
  const ReachableLumora lumora;
  const std::vector<std::pair<mode_t, int>> cases = {{0666, 0}, {0644, 1}};
  for (const auto& [mode, exit] : cases) {
    SCOPED_TRACE(mode);
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    const std::string old = "{\"properties\": {}}";
    dir.Write("o.json", old);
    dir.Write("s", "click cmdNav(3)\nclick cmdNav(3)\nclick cmdNav(3)\n");
    ::chmod(dir.File("o.json").c_str(), mode);
    ::chmod(dir.File("s").c_str(), 0644);
    const auto [program, args] =
        AsUser(*user, lumora,
               {"wizard", dir.File("o.json"), "--script", dir.File("s"), "--registry", "none"});
    // No registry: the library beside lumora.
    const testing::ScopedEnv env("XDG_DATA_HOME", dir.File("data").c_str());
    const testing::ProcessResult r = RunProcess(program, args);
    EXPECT_EQ(r.exitStatus, exit) << r.err;
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("o.json").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u) << "the object still belongs to root";
    EXPECT_EQ(st.st_mode & 0777, mode);
    EXPECT_EQ(testing::ReadFile(dir.File("o.json")) == old, exit == 1);
    if (exit == 1) {
      EXPECT_NE(r.err.find("read-only"), std::string::npos) << r.err;
    }
  }
}

// HOME=. must not let the current folder decide which library is loaded.
TEST(ComponentRegistryTrust, ARelativeHomeIsNotTheCurrentFolder) {
  TempDir dir;
  dir.Write("fake.so", "not a library");
  dir.Write(".local/share/lumora/components.json", RegistryNaming(dir.File("fake.so")));
  const std::string object = std::filesystem::absolute("examples/object.json").string();
  const auto r =
      RunProcess("/bin/sh", {"-c", "cd '" + dir.path() + "' && HOME=. exec env -u XDG_DATA_HOME '" +
                                       testing::BinDir() + "/lumora' build '" + object + "' ODBC"});
  EXPECT_EQ(r.err.find(dir.File("fake.so")), std::string::npos) << r.err;
}

// A registry nesting values without end is refused, not read until the stack overflows.
TEST(ComponentRegistryTrust, ADeeplyNestedRegistryIsRefused) {
  TempDir dir;
  const std::string registry =
      WriteRegistry(dir, "{\"x\": " + std::string(100000, '[') + std::string(100000, ']') + "}");
  const testing::ScopedEnv env("XDG_DATA_HOME", dir.File("data").c_str());
  const auto r = RunProcess(testing::Lumora(), {"register"});
  EXPECT_EQ(r.exitStatus, 2);
  EXPECT_NE(r.err.find(registry + " nests values deeper than 16 levels"), std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace lumora
