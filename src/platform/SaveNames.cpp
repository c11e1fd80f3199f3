#include "platform/SaveNames.h"

#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <random>

namespace lumora::savenames {
namespace {

constexpr const char* kNewText = ".lumora-new-";
constexpr size_t kRandomLetters = 6;
constexpr const char* kInterrupted = ".lumora-save";
constexpr size_t kHashMark = 9;  // "~" and eight hex digits

// FNV-1a: the same for a name in every run, so a later run finds what an earlier one left.
uint32_t Hash(const std::string& text) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
  return hash;
}

std::string RandomLetters() {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937_64 random{std::random_device{}() ^ static_cast<uint64_t>(::getpid())};
  std::string letters(kRandomLetters, 'x');
  for (char& c : letters) c = kLetters[random() % (sizeof kLetters - 1)];
  return letters;
}

size_t Room(size_t fixed) {
  return NAME_MAX - 1 - fixed;  // the leading "." and the fixed end
}

}  // namespace

std::string Fitted(const std::string& name, size_t room) {
  if (name.size() <= room) return name;
  size_t cut = room - kHashMark;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  char mark[kHashMark + 1];
  std::snprintf(mark, sizeof mark, "~%08x", Hash(name));
  return name.substr(0, cut) + mark;
}

std::string NewText(const std::string& objectName) {
  const std::string end = std::string(kNewText);
  return "." + Fitted(objectName, Room(end.size() + kRandomLetters)) + end + RandomLetters();
}

bool IsNewText(const std::string& entry, const std::string& objectName) {
  const std::string end = std::string(kNewText);
  const std::string prefix = "." + Fitted(objectName, Room(end.size() + kRandomLetters)) + end;
  if (entry.size() != prefix.size() + kRandomLetters || entry.compare(0, prefix.size(), prefix))
    return false;
  return std::all_of(entry.end() - kRandomLetters, entry.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)); });
}

std::string InterruptedSave(const std::string& objectName) {
  const std::string end = kInterrupted;
  return "." + Fitted(objectName, Room(end.size())) + end;
}

}  // namespace lumora::savenames
