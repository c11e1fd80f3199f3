// The profile functions over a parsed file. Parsing follows Windows: lines end at CR, LF or
// CRLF and are trimmed of blanks (space, tab, vertical tab); a line whose first character is
// "[" starts a section whose name ends at the first "]" (the rest of the line is ignored; a
// missing "]" is accepted); lines before the first section belong to no section and cannot be
// reached; any other line is an entry split at its first "=", and an entry whose name starts
// with ";" is a comment. There are no inline comments and "#" means nothing. Names are C
// strings: a line cut short by a NUL byte keeps what comes before it, so a NUL after the last
// line is no entry. The text is decoded once: UTF-16LE after its byte-order mark (a file saved
// as "Unicode"), else UTF-8 when the whole file is (a UTF-8 byte-order mark is skipped), else
// Windows-1252; names match with ASCII case folding.
//
// A parsed file is kept while its size and modification time stay the same, as the platform
// caches its profile files, so that reading thousands of slots parses the file once.
#include "platform/ProfileFile.h"

#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "contract/Text.h"
#include "platform/InputFile.h"

namespace lumora {
namespace {

struct Entry {
  std::string name;
  std::string value;
  bool hasValue = false;  // false for a line without "="
};

struct Section {
  std::string name;
  std::vector<Entry> entries;
  std::unordered_map<std::string, size_t> firstEntry;  // folded name -> first entry of it
};

struct ParsedFile {
  std::vector<Section> sections;
  std::unordered_map<std::string, size_t> firstSection;  // folded name -> first section of it
};

// Spaces, tabs and vertical tabs.
std::string_view TrimBlanks(std::string_view s) {
  return TrimOf(s, " \t\v");
}

// The arguments ignore surrounding spaces, but not tabs.
std::string_view TrimArgument(std::string_view s) {
  return TrimOf(s, " ");
}

char FoldAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Fold(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = FoldAscii(c);
  return out;
}

// The part of a line before its first NUL byte.
std::string_view BeforeNul(std::string_view s) {
  return s.substr(0, s.find('\0'));
}

std::shared_ptr<const ParsedFile> ParseText(const std::string& text) {
  auto parsed = std::make_shared<ParsedFile>();
  std::vector<Section>& sections = parsed->sections;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view line =
        TrimBlanks(BeforeNul(std::string_view(text).substr(pos, end - pos)));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') {
      ++pos;
      if (pos < text.size() && text[pos] == '\n') ++pos;  // CR LF is one line end
    } else if (pos < text.size()) {
      ++pos;  // LF
    }

    if (line.empty()) continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      const std::string_view name =
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
      sections.push_back({std::string(TrimBlanks(name)), {}, {}});
      parsed->firstSection.try_emplace(Fold(sections.back().name), sections.size() - 1);
      continue;
    }
    if (sections.empty()) continue;  // before the first section: unreachable
    Entry entry;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      entry.name = std::string(line);
    } else {
      entry.name = std::string(TrimBlanks(line.substr(0, eq)));
      entry.value = std::string(TrimBlanks(line.substr(eq + 1)));
      entry.hasValue = true;
    }
    if (!entry.name.empty() && entry.name.front() == ';') continue;  // comment
    Section& section = sections.back();
    section.firstEntry.try_emplace(Fold(entry.name), section.entries.size());
    section.entries.push_back(std::move(entry));
  }
  return parsed;
}

struct CachedFile {
  std::string path;
  off_t size = 0;
  timespec modified{};
  std::shared_ptr<const ParsedFile> parsed;
  // A file changed within a clock tick of its reading could change again unseen by its time
  // stamp: its bytes are kept and compared until it has been still for longer.
  std::optional<std::string> racyBytes;
};

constexpr int64_t kRacyNanoseconds = 50'000'000;

int64_t Nanoseconds(const timespec& t) {
  return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

bool IsRacy(const timespec& modified) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return Nanoseconds(now) - Nanoseconds(modified) < kRacyNanoseconds;
}

// The most recently used files first; a few are kept.
constexpr size_t kCachedFiles = 8;
std::mutex cacheMutex;
std::list<CachedFile> cache;

std::optional<std::string> ReadProfileBytes(const std::string& path) {
  try {
    return ReadInputFileIfPresent(path, "profile file");
  } catch (const HostError&) {
    return std::nullopt;  // unreadable: the functions answer as for a missing file
  }
}

// The parsed file; null when it is missing, a folder or unreadable.
std::shared_ptr<const ParsedFile> Parse(const std::string& file) {
  // The name arrives the Windows way ("<component folder>\lumora.ini"); backslashes become "/"
  // here, where the file is opened. A relative name is taken from the working folder (Windows
  // would look in its own folder).
  const std::string path = ProfileFileSystemPath(file);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  const std::lock_guard<std::mutex> lock(cacheMutex);
  std::optional<std::string> bytes;
  for (auto it = cache.begin(); it != cache.end(); ++it) {
    if (it->path != path) continue;
    if (it->size == st.st_size && Nanoseconds(it->modified) == Nanoseconds(st.st_mtim)) {
      if (it->racyBytes) {
        bytes = ReadProfileBytes(path);
        if (!bytes || *bytes != *it->racyBytes) {
          cache.erase(it);
          break;
        }
        if (!IsRacy(st.st_mtim)) it->racyBytes.reset();
      }
      cache.splice(cache.begin(), cache, it);
      return cache.front().parsed;
    }
    cache.erase(it);
    break;
  }
  if (!bytes) bytes = ReadProfileBytes(path);
  if (!bytes) return nullptr;
  const std::string_view utf16Mark = "\xFF\xFE";
  auto parsed = ParseText(std::string_view(*bytes).starts_with(utf16Mark)
                              ? Utf16LeToUtf8(std::string_view(*bytes).substr(utf16Mark.size()))
                              : DecodeText8(*bytes));
  CachedFile entry{path, st.st_size, st.st_mtim, parsed, std::nullopt};
  if (IsRacy(st.st_mtim)) entry.racyBytes = std::move(*bytes);
  cache.push_front(std::move(entry));
  if (cache.size() > kCachedFiles) cache.pop_back();
  return parsed;
}

// Only the first section of a name counts.
const Section* FindSection(const ParsedFile& file, std::string_view app) {
  auto it = file.firstSection.find(Fold(TrimArgument(app)));
  return it == file.firstSection.end() ? nullptr : &file.sections[it->second];
}

// `text` copied into a buffer of `size` characters: cut to size - 1 when it does not fit.
ProfileResult CopyString(std::string_view text, uint32_t size, uint32_t lastError) {
  ProfileResult r;
  r.lastError = lastError;
  if (size == 0) return r;
  if (text.size() < size) {
    r.returned = static_cast<uint32_t>(text.size());
  } else {
    r.returned = size - 1;
    r.lastError = kProfileMoreData;
  }
  r.buffer = std::string(text.substr(0, r.returned));
  r.buffer.push_back('\0');
  return r;
}

// NUL-terminated items and a final NUL in a buffer of `size`; an empty list leaves `emptyNuls`
// NULs (at most `size`). A list fits only when its final NUL leaves room to spare; otherwise
// the first size - 2 characters are kept, two NULs end the buffer and size - 2 is returned.
ProfileResult CopyList(const std::vector<std::string>& items, uint32_t size, uint32_t lastError,
                       uint32_t emptyNuls = 2) {
  ProfileResult r;
  r.lastError = lastError;
  if (size == 0) return r;
  std::string all;
  for (const std::string& item : items) {
    all += item;
    all.push_back('\0');
  }
  if (items.empty()) {
    r.buffer.assign(std::min<uint32_t>(size, emptyNuls), '\0');
  } else if (all.size() + 1 < size) {
    r.returned = static_cast<uint32_t>(all.size());
    r.buffer = all + std::string(1, '\0');
  } else {
    r.lastError = kProfileMoreData;
    if (size < 2) {
      r.buffer.assign(size, '\0');
    } else {
      r.returned = size - 2;
      r.buffer = all.substr(0, size - 2) + std::string(2, '\0');
    }
  }
  return r;
}

// The default as Windows uses it: null is "", trailing spaces (only spaces) are dropped.
std::string_view DefaultText(const char* def) {
  std::string_view d = def ? def : "";
  while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
  return d;
}

// A value with one pair of matching outer quotes loses that pair.
std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

}  // namespace

std::string ProfileFileSystemPath(const std::string& file) {
  std::string path = file;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

ProfileResult GetPrivateProfileStringA(const char* app, const char* key, const char* def,
                                       uint32_t size, const std::string& file) {
  if (size == 0) return {};
  const std::shared_ptr<const ParsedFile> parsed = Parse(file);
  const std::string_view fallback = DefaultText(def);
  if (!parsed) {
    if (!app) return CopyList({}, size, kProfileFileNotFound, 1);
    return CopyString(fallback, size, kProfileFileNotFound);
  }

  if (!app) {  // the section names, as often as they occur
    std::vector<std::string> names;
    for (const Section& s : parsed->sections) {
      if (!s.name.empty()) names.push_back(s.name);
    }
    return CopyList(names, size, kProfileNoError, 1);
  }

  const Section* section = FindSection(*parsed, app);
  if (!key) {  // the key names of the section; comments and lines without "=" left out
    std::vector<std::string> names;
    if (section) {
      for (const Entry& e : section->entries) {
        if (e.hasValue) names.push_back(e.name);
      }
    }
    // Nothing to list (no section, or no keys in it) gives the default instead.
    if (names.empty()) return CopyString(fallback, size, kProfileNoError);
    return CopyList(names, size, kProfileNoError);
  }

  if (section) {
    // The first entry of the name decides; one without "=" has no value and gives the default.
    auto it = section->firstEntry.find(Fold(TrimArgument(std::string_view(key))));
    if (it != section->firstEntry.end() && section->entries[it->second].hasValue) {
      return CopyString(Unquote(section->entries[it->second].value), size, kProfileNoError);
    }
  }
  return CopyString(fallback, size, kProfileNoError);
}

ProfileResult GetPrivateProfileSectionA(const char* app, uint32_t size, const std::string& file) {
  if (app == nullptr) return {{}, 0, kProfileInvalidParameter};  // the buffer is left alone
  if (size == 0) return {};
  const std::shared_ptr<const ParsedFile> parsed = Parse(file);
  if (!parsed) return CopyList({}, size, kProfileFileNotFound);
  std::vector<std::string> entries;
  if (const Section* section = FindSection(*parsed, app)) {
    for (const Entry& e : section->entries) {
      entries.push_back(e.hasValue ? e.name + "=" + e.value : e.name);
    }
  }
  return CopyList(entries, size, kProfileNoError);
}

}  // namespace lumora
