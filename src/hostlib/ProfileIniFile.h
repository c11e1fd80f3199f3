// The host's profile-file list helper over the profile functions of src/platform: it counts the
// slots of a numbered list section ("Driver0", "Driver1", ...) in an INI file. Each call reads
// the file afresh; the object holds no state.
#pragma once

#include "contract/IniFile.h"

namespace lumora {

class ProfileIniFile : public IniFile {
 public:
  bool FindIniFileEntry(const std::string& file, const std::string& section,
                        const std::string& keyStem, std::string& value, int16_t& count) override;
};

}  // namespace lumora
