// Fuzzes the profile-file reader: the input is written as an INI file in the private temporary
// folder, then every section is listed, every key of the first 4 sections is listed and read,
// and every answer is read again through a small buffer, which must give a cut copy of the same
// answer with the right return count and last error.
#include <iterator>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/ProfileFile.h"

using lumora::GetPrivateProfileSectionA;
using lumora::GetPrivateProfileStringA;
using lumora::kProfileMoreData;
using lumora::ProfileResult;
using lumora::fuzz::Check;

namespace {

constexpr uint32_t kLarge = 1u << 22;  // larger than any input, so nothing is cut
constexpr uint32_t kSmallSizes[] = {1, 2, 3, 7};
constexpr size_t kMaxNames = 4;

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\0', start);
    if (end == std::string::npos) end = text.size();
    names.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

void CheckShape(const ProfileResult& r, uint32_t size) {
  Check(r.buffer.size() <= size, "the answer is longer than the caller's buffer");
  Check(r.returned < size, "the return count reaches the buffer size");
  Check(r.returned <= r.buffer.size(), "the return count is past the characters written");
  Check(!r.buffer.empty() && r.buffer.back() == '\0', "the buffer does not end in a NUL");
}

// `whole` was read with a large buffer; `cut` with `size` characters. A string keeps its first
// size - 1 characters, a list its first size - 2 (and always ends in two NULs).
void CheckCut(const ProfileResult& whole, const ProfileResult& cut, uint32_t size, bool list) {
  CheckShape(cut, size);
  const std::string full = whole.Text();
  // A list's text already ends in its last item's NUL; only the list's own NUL is added, and
  // a list fits only with a character to spare.
  const bool fits = full.empty() || (list ? full.size() + 1 < size : full.size() + 1 <= size);
  if (fits) {
    Check(cut.Text() == full, "a buffer large enough gave a different answer");
    Check(cut.lastError == whole.lastError, "a buffer large enough changed the last error");
    return;
  }
  Check(cut.lastError == kProfileMoreData, "a cut answer does not report ERROR_MORE_DATA");
  Check(full.compare(0, cut.returned, cut.Text()) == 0, "a cut answer is not a prefix");
  if (list && size >= 2) {
    Check(cut.returned == size - 2, "a cut list does not return size - 2");
    Check(cut.buffer.size() >= 2 && cut.buffer[cut.buffer.size() - 2] == '\0',
          "a cut list does not end in two NULs");
  } else if (!list) {
    Check(cut.returned == size - 1, "a cut string does not return size - 1");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file =
      lumora::fuzz::WriteTempFile("lumora.ini", lumora::fuzz::AsText(data, size));

  const ProfileResult sections = GetPrivateProfileStringA(nullptr, nullptr, "", kLarge, file);
  CheckShape(sections, kLarge);
  Check(sections.lastError == lumora::kProfileNoError, "a readable file was reported missing");
  // One small size per input keeps a run quick; the fuzzer varies the length, and so the size.
  const uint32_t small = kSmallSizes[size % std::size(kSmallSizes)];
  CheckCut(sections, GetPrivateProfileStringA(nullptr, nullptr, "", small, file), small, true);

  std::vector<std::string> names = SplitList(sections.Text());
  if (names.size() > kMaxNames) names.resize(kMaxNames);
  for (const std::string& app : names) {
    if (app.find('\0') != std::string::npos) continue;
    const ProfileResult whole = GetPrivateProfileSectionA(app.c_str(), kLarge, file);
    CheckShape(whole, kLarge);
    CheckCut(whole, GetPrivateProfileSectionA(app.c_str(), small, file), small, true);

    const ProfileResult keys = GetPrivateProfileStringA(app.c_str(), nullptr, "", kLarge, file);
    CheckShape(keys, kLarge);
    std::vector<std::string> keyNames = SplitList(keys.Text());
    if (keyNames.size() > kMaxNames) keyNames.resize(kMaxNames);
    for (const std::string& key : keyNames) {
      const ProfileResult value =
          GetPrivateProfileStringA(app.c_str(), key.c_str(), "default  ", kLarge, file);
      CheckShape(value, kLarge);
      CheckCut(value, GetPrivateProfileStringA(app.c_str(), key.c_str(), "default  ", small, file),
               small, false);
    }
  }
  // A section that is not there gives the default, trailing spaces removed.
  const ProfileResult missing =
      GetPrivateProfileStringA("\x01 no such section", "key", "fallback  ", kLarge, file);
  Check(missing.Text() == "fallback", "a missing section did not give the default");
  return 0;
}
