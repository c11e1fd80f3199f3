#include "hostlib/HostConfig.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "contract/HostError.h"
#include "contract/LocalPaths.h"
#include "contract/Text.h"
#include "platform/InputFile.h"

namespace lumora {
namespace {

std::string_view Trim(std::string_view s) {
  return TrimOf(s, " \t\r");
}

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

bool IsDirectory(const std::string& path) {
  std::error_code error;
  return fs::is_directory(PathOf(path), error);
}

bool Exists(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(PathOf(path), error));
}

// The entry of `folder` whose name equals `name` ignoring case, or "" when there is none.
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
  std::error_code error;
  const std::string wanted = UCase(name);
  for (fs::directory_iterator it(PathOf(folder), error), end; !error && it != end;
       it.increment(error)) {
    const std::u8string entry = it->path().filename().u8string();
    const std::string entryName(entry.begin(), entry.end());
    if (UCase(entryName) == wanted) return entryName;
  }
  return {};
}

}  // namespace

HostConfig ParseHostConfig(std::string_view text, const std::string& path) {
  HostConfig config;
  enum class Section { kNone, kFolders, kDrives } section = Section::kNone;
  int number = 0;
  size_t pos = 0;
  auto fail = [&](const std::string& message) {
    throw HostError::BadInput(path + ":" + std::to_string(number) + ": " + message);
  };
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    ++number;
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      if (close == std::string_view::npos) fail("section line without a closing ]");
      const std::string_view after = Trim(line.substr(close + 1));
      if (!after.empty() && after.front() != ';' && after.front() != '#') {
        fail("unexpected text after the section name");
      }
      const std::string name = UCase(Trim(line.substr(1, close - 1)));
      if (name == "SYSTEMFOLDERS") {
        section = Section::kFolders;
      } else if (name == "DRIVES") {
        section = Section::kDrives;
      } else {
        fail("unknown section [" + std::string(Trim(line.substr(1, close - 1))) +
             "] (expected [SystemFolders] or [Drives])");
      }
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) fail("name=value expected: \"" + std::string(line) + "\"");
    const std::string key(Trim(line.substr(0, eq)));
    const std::string value(Trim(line.substr(eq + 1)));
    const std::string upper = UCase(key);
    if (section == Section::kNone) fail("\"" + key + "\" given before any section");
    if (section == Section::kFolders) {
      std::string folder = value;
      if (!folder.empty() && folder.back() != '\\') folder += '\\';
      FolderSet& f = config.folders;
      if (upper == "SYSTEMFOLDER") {
        f.system = folder;
      } else if (upper == "WINDOWSFOLDER") {
        f.windows = folder;
      } else if (upper == "COMMONFILESSYSTEMFOLDER") {
        f.commonFilesSystem = folder;
      } else if (upper == "COMMONFILESFOLDER") {
        f.commonFiles = folder;
      } else if (upper == "PROGRAMFILESFOLDER") {
        f.programFiles = folder;
      } else if (upper == "DAOFOLDER") {
        f.dao = folder;
      } else {
        fail("unknown system folder \"" + key +
             "\" (expected SystemFolder, WindowsFolder, CommonFilesSystemFolder, "
             "CommonFilesFolder, ProgramFilesFolder or DaoFolder)");
      }
    } else {
      std::string_view letter = upper;
      if (letter.size() == 2 && letter[1] == ':') letter.remove_suffix(1);
      if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'Z') {
        fail("a drive is one letter, not \"" + key + "\"");
      }
      if (value.empty()) fail("drive " + key + " has no folder");
      config.drives[letter[0]] = value;
    }
  }
  return config;
}

HostConfig LoadHostConfig(const std::string& path) {
  if (path.empty()) return HostConfig{};
  return ParseHostConfig(DecodeText8(ReadInputFile(path, "host configuration")), path);
}

DriveMap::DriveMap(std::map<char, std::string> drives, std::string systemFolder)
    : drives_(std::move(drives)) {
  if (drives_.count('C') == 0) {
    std::string prefix;
    if (const char* p = std::getenv("WINEPREFIX"); p != nullptr && *p != '\0') {
      prefix = p;
    } else if (std::string home = HomeFolder(); !home.empty()) {
      prefix = home + "/.wine";
    }
    if (!prefix.empty() && IsDirectory(prefix + "/drive_c")) drives_['C'] = prefix + "/drive_c";
  }
  std::string folder = UCase(systemFolder);
  std::replace(folder.begin(), folder.end(), '/', '\\');
  if (folder.size() > 3 && folder.back() == '\\') {
    const size_t parent = folder.find_last_of('\\', folder.size() - 2);
    const std::string wow = folder.substr(0, parent + 1) + "SYSWOW64";
    if (const auto local = Map(wow); local && IsDirectory(*local)) {
      systemFolder_ = folder;
      wowFolder_ = wow + "\\";
    }
  }
}

std::optional<std::string> DriveMap::ToLocalPath(std::string_view windowsPath) const {
  if (!systemFolder_.empty() && windowsPath.size() >= systemFolder_.size()) {
    std::string head = UCase(windowsPath.substr(0, systemFolder_.size()));
    std::replace(head.begin(), head.end(), '/', '\\');
    if (head == systemFolder_) {
      return Map(wowFolder_ + std::string(windowsPath.substr(systemFolder_.size())));
    }
  }
  return Map(windowsPath);
}

std::optional<std::string> DriveMap::Map(std::string_view windowsPath) const {
  if (windowsPath.size() < 3 || windowsPath[1] != ':' ||
      (windowsPath[2] != '\\' && windowsPath[2] != '/')) {
    return std::nullopt;
  }
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(windowsPath[0])));
  auto drive = drives_.find(letter);
  if (drive == drives_.end()) return std::nullopt;

  std::vector<std::string> parts;
  size_t start = 3;
  while (start <= windowsPath.size()) {
    size_t end = windowsPath.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = windowsPath.size();
    const std::string_view part = windowsPath.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.emplace_back(part);
    }
    start = end + 1;
  }
  std::string local = drive->second;
  while (local.size() > 1 && local.back() == '/') local.pop_back();
  for (const std::string& part : parts) {
    std::string next = local + "/" + part;
    if (!Exists(next)) {
      const std::string match = FindIgnoringCase(local, part);
      if (!match.empty()) next = local + "/" + match;
    }
    local = std::move(next);
  }
  return local;
}

}  // namespace lumora
