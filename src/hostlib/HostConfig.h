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

// Reads `path` ("" gives the defaults); throws HostSetupError naming the file and line.
HostConfig LoadHostConfig(const std::string& path);
HostConfig ParseHostConfig(std::string_view text, const std::string& path);

// Turns Windows paths into files of this machine. C: falls back to the Wine prefix's drive_c
// ($WINEPREFIX, else ~/.wine) when that folder exists; other unmapped drives have no files.
class DriveMap {
 public:
  explicit DriveMap(std::map<char, std::string> drives);

  // The local path of "X:\dir\file" (components matched ignoring case, as on Windows, when
  // the exact spelling does not exist), or nothing when the drive is not mapped or the path
  // is not an absolute drive path.
  std::optional<std::string> ToLocalPath(std::string_view windowsPath) const;

  const std::map<char, std::string>& drives() const { return drives_; }

 private:
  std::map<char, std::string> drives_;
};

}  // namespace lumora
