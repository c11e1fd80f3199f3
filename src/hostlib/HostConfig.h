// The host settings file (--host-config): the six system folders as the host reports them and
// where each Windows drive's files lie on this machine. An INI file:
//   [SystemFolders]  SystemFolder=, WindowsFolder=, CommonFilesSystemFolder=, CommonFilesFolder=,
//                    ProgramFilesFolder=, DaoFolder=   (a folder without its trailing backslash
//                    gets one; an empty value stays empty)
//   [Drives]         one letter per line: C=/home/me/.wine/drive_c
// Lines are trimmed; blank lines and lines starting with ; or # are comments, and a section
// line may end in a comment. Anything else (unknown sections or names, lines without =) is
// refused with the file and line. Folders not given keep the usual Windows defaults.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "hostlib/SystemFolderSet.h"

namespace lumora {

struct HostConfig {
  FolderSet folders;
  std::map<char, std::string> drives;  // upper-case letter -> folder of this machine
};

// Reads `path` ("" gives the defaults); throws HostError naming the file and line, or why
// the file cannot be read. The text is UTF-8 when the whole file is, else Windows-1252.
HostConfig LoadHostConfig(const std::string& path);
HostConfig ParseHostConfig(std::string_view text, const std::string& path);

// Turns Windows paths into files of this machine. C: falls back to the Wine prefix's drive_c
// ($WINEPREFIX, else ~/.wine) when that folder exists; other unmapped drives have no files.
// With `systemFolder` given (the host's system folder, "C:\Windows\System32\"), files in it
// are looked up in its sibling SysWOW64 when that folder exists, as a 32-bit program on a
// 64-bit machine (or in a 64-bit Wine prefix) finds them.
class DriveMap {
 public:
  explicit DriveMap(std::map<char, std::string> drives, std::string systemFolder = {});

  // The local path of "X:\dir\file" (components matched ignoring case, as on Windows, when
  // the exact spelling does not exist), or nothing when the drive is not mapped or the path
  // is not an absolute drive path.
  std::optional<std::string> ToLocalPath(std::string_view windowsPath) const;

  const std::map<char, std::string>& drives() const { return drives_; }

 private:
  std::optional<std::string> Map(std::string_view windowsPath) const;

  std::map<char, std::string> drives_;
  std::string systemFolder_;  // upper-cased, ending in a backslash; "" for no redirection
  std::string wowFolder_;     // its SysWOW64 sibling
};

}  // namespace lumora
