// The host's file-version reader for Windows executables (PE32 and PE32+). It finds the
// version resource (type 16, id 1, language 0x409 or else the first) and reads its fixed
// VS_FIXEDFILEINFO block. The version text is made of those fixed numbers, "4.0.6019.0" for a
// 4.00 driver and "3.51.1713.0" for a 3.51 one, never of the StringFileInfo strings, which are
// free text ("4.00.6019.00", "3, 51, 0, 0"). Every offset is checked against the file; a
// missing, truncated or malformed file gives "" and never fails.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "contract/FileVersionInfo.h"
#include "hostlib/HostConfig.h"

namespace lumora {

struct PeVersionNumbers {
  std::array<uint16_t, 4> file{};
  std::array<uint16_t, 4> product{};
};

// The fixed version numbers of a PE image held in memory, or nothing.
std::optional<PeVersionNumbers> ReadPeVersion(std::string_view image);
// "a.b.c.d"
std::string VersionText(const std::array<uint16_t, 4>& parts);

class PeFileVersionInfo : public FileVersionInfo {
 public:
  explicit PeFileVersionInfo(std::shared_ptr<const DriveMap> drives);

  // `path` is a Windows path (mapped through the drives) or a path of this machine starting
  // with "/". True when a version resource was found.
  bool Load(const std::string& path) override;
  FileVersion GetVersion() override { return version_; }

 private:
  std::shared_ptr<const DriveMap> drives_;
  FileVersion version_;
};

}  // namespace lumora
