#include "host/LockHolder.h"

#include <sys/sysmacros.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace lumora {

std::optional<pid_t> LockHolderIn(const std::string& procLocks, dev_t device, ino_t inode) {
  // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; a waiter's line has "->" after the number.
  char file[64];
  std::snprintf(file, sizeof file, "%02x:%02x:%llu", major(device), minor(device),
                static_cast<unsigned long long>(inode));
  std::istringstream lines(procLocks);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string number, kind, mode, access, pid, where;
    if (!(words >> number >> kind) || kind == "->") continue;
    if (!(words >> mode >> access >> pid >> where) || where != file) continue;
    try {
      return static_cast<pid_t>(std::stol(pid));
    } catch (const std::exception&) {
      continue;
    }
  }
  return std::nullopt;
}

std::string DescribeLockHolder(dev_t device, ino_t inode) {
  std::ifstream locks("/proc/locks");
  if (!locks) return {};
  std::stringstream text;
  text << locks.rdbuf();
  const std::optional<pid_t> holder = LockHolderIn(text.str(), device, inode);
  if (!holder) return {};
  std::string described = "process " + std::to_string(*holder);
  std::ifstream comm("/proc/" + std::to_string(*holder) + "/comm");
  std::string name;
  if (comm && std::getline(comm, name) && !name.empty()) described += " (" + name + ")";
  return described;
}

}  // namespace lumora
