#include "contract/LocalPaths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace lumora {
namespace {

std::string Absolute(const char* folder) {
  return folder != nullptr && folder[0] == '/' ? std::string(folder) : std::string();
}

std::string FromEnvironment() {
  return Absolute(std::getenv("HOME"));
}

std::string FromUserDatabase() {
  const passwd* user = ::getpwuid(::geteuid());
  return user != nullptr ? Absolute(user->pw_dir) : std::string();
}

}  // namespace

std::string FolderOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return ".";
  return slash == 0 ? "/" : std::string(path.substr(0, slash));
}

std::string NameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string HomeFolder(HomeLookup order) {
  const bool environmentFirst = order == HomeLookup::kEnvironmentFirst;
  std::string home = environmentFirst ? FromEnvironment() : FromUserDatabase();
  if (home.empty()) home = environmentFirst ? FromUserDatabase() : FromEnvironment();
  return home;
}

}  // namespace lumora
