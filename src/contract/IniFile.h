// The host's profile-file list helper. The catalogue reader asks it how many slots a list
// section has; it reads the slots itself.
#pragma once

#include <cstdint>
#include <string>

namespace lumora {

class IniFile {
 public:
  virtual ~IniFile() = default;
  // Sets `count` to the number of slots of the list in `section` whose keys are `keyStem`
  // followed by a slot number: one more than the highest slot number among the section's keys
  // that are the stem followed by decimal digits without leading zeros ("Driver0", "Driver12"
  // but not "Driver01" or "Driver 1"); 0 when there are none or the file is missing. Stem and
  // section match ignoring case, as the profile functions match them. Fails with 6 when the
  // count passes 32767. `value` receives the last slot's value (unused by the catalogue).
  // Returns true when at least one slot key was found.
  virtual bool FindIniFileEntry(const std::string& file, const std::string& section,
                                const std::string& keyStem, std::string& value, int16_t& count) = 0;
};

}  // namespace lumora
