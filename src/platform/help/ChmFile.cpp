#include "platform/help/ChmFile.h"

#include <chm_lib.h>
#include <sys/stat.h>

#include <cstdint>

namespace lumora::forms {

ChmFile::ChmFile(const std::string& path) : path_(path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error_ = "The help file " + path + " does not exist.";
    return;
  }
  if (!S_ISREG(info.st_mode)) {
    error_ = "The help file " + path + " is not a file.";
    return;
  }
  handle_ = chm_open(path.c_str());
  if (handle_ == nullptr) error_ = "The help file " + path + " cannot be read as compiled help.";
}

ChmFile::~ChmFile() {
  if (handle_ != nullptr) chm_close(handle_);
}

std::optional<std::string> ChmFile::Read(const std::string& objectPath) const {
  if (handle_ == nullptr || objectPath.empty()) return std::nullopt;
  const std::string path = objectPath.front() == '/' ? objectPath : "/" + objectPath;
  chmUnitInfo unit{};
  if (chm_resolve_object(handle_, path.c_str(), &unit) != CHM_RESOLVE_SUCCESS) return std::nullopt;
  // Help objects are small; anything claiming more than 64 MiB is a damaged file.
  if (unit.length > (64u << 20)) return std::nullopt;
  std::string bytes(static_cast<size_t>(unit.length), '\0');
  if (unit.length == 0) return bytes;
  const LONGINT64 got =
      chm_retrieve_object(handle_, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                          static_cast<LONGINT64>(unit.length));
  if (got != static_cast<LONGINT64>(unit.length)) return std::nullopt;
  return bytes;
}

std::string ChmFile::DefaultTopic() const {
  // #SYSTEM: a 32-bit version, then records of a 16-bit code, a 16-bit length and the data;
  // code 2 holds the default topic, NUL-terminated.
  const std::optional<std::string> system = Read("/#SYSTEM");
  if (!system) return {};
  const std::string& s = *system;
  auto word = [&](size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) |
                                 (static_cast<uint8_t>(s[at + 1]) << 8));
  };
  size_t at = 4;
  while (at + 4 <= s.size()) {
    const uint16_t code = word(at);
    const uint16_t length = word(at + 2);
    at += 4;
    if (at + length > s.size()) break;
    if (code == 2) {
      std::string topic = s.substr(at, length);
      topic = topic.substr(0, topic.find('\0'));
      if (topic.empty()) return {};
      return topic.front() == '/' ? topic : "/" + topic;
    }
    at += length;
  }
  return {};
}

std::string ChmFile::TopicPath(int contextId) const {
  if (contextId == 0) {
    std::string topic = DefaultTopic();
    if (!topic.empty()) return topic;
  }
  return "/topic" + std::to_string(contextId) + ".html";
}

}  // namespace lumora::forms
