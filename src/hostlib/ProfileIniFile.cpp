#include "hostlib/ProfileIniFile.h"

#include <vector>

#include "contract/Failure.h"
#include "contract/Text.h"
#include "platform/ProfileFile.h"

namespace lumora {
namespace {

// The slot number of `key` when it is `stem` (ignoring ASCII case, as the profile functions
// match names) followed by decimal digits without leading zeros; -1 otherwise. Numbers too
// large for any count are returned as INT32_MAX so that the count overflows.
int32_t SlotNumber(const std::string& key, const std::string& stem) {
  if (key.size() <= stem.size() ||
      !EqualsIgnoringAsciiCase(std::string_view(key).substr(0, stem.size()), stem)) {
    return -1;
  }
  const std::string digits = key.substr(stem.size());
  if (digits.size() > 1 && digits.front() == '0') return -1;
  int64_t number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    if (number < INT32_MAX) number = number * 10 + (c - '0');
  }
  return number >= INT32_MAX ? INT32_MAX : static_cast<int32_t>(number);
}

// The key names of `section`, read whole: the buffer grows until the list fits.
std::vector<std::string> KeyNames(const std::string& file, const std::string& section) {
  std::vector<std::string> names;
  for (uint32_t size = 4096;; size *= 2) {
    const ProfileResult r = GetPrivateProfileStringA(section.c_str(), nullptr, "", size, file);
    if (r.returned + 2 >= size && size < (1u << 30)) continue;  // cut off (or just fitting)
    const std::string list = r.Text();
    size_t start = 0;
    while (start < list.size()) {
      size_t end = list.find('\0', start);
      if (end == std::string::npos) end = list.size();
      names.push_back(list.substr(start, end - start));
      start = end + 1;
    }
    return names;
  }
}

}  // namespace

bool ProfileIniFile::FindIniFileEntry(const std::string& file, const std::string& section,
                                      const std::string& keyStem, std::string& value,
                                      int16_t& count) {
  int32_t highest = -1;
  std::string highestKey;
  for (const std::string& key : KeyNames(file, section)) {
    const int32_t slot = SlotNumber(key, keyStem);
    if (slot > highest) {
      highest = slot;
      highestKey = key;
    }
  }
  if (highest < 0) {
    count = 0;
    return false;
  }
  if (highest >= INT16_MAX) Raise(kOverflow);  // the count would pass 32767
  count = static_cast<int16_t>(highest + 1);
  for (uint32_t size = 1024;; size *= 2) {
    const ProfileResult r =
        GetPrivateProfileStringA(section.c_str(), highestKey.c_str(), "", size, file);
    if (r.returned + 1 < size || size >= (1u << 30)) {
      value = r.Text();
      break;
    }
  }
  return true;
}

}  // namespace lumora
