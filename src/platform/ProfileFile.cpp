// The profile functions over a freshly parsed file. Parsing follows Windows: lines end at CR,
// LF or CRLF and are trimmed of blanks (space, tab, vertical tab); a line whose first character
// is "[" starts a section whose name ends at the first "]" (the rest of the line is ignored; a
// missing "]" is accepted); lines before the first section belong to no section and cannot be
// reached; any other line is an entry split at its first "=", and an entry whose name starts
// with ";" is a comment. There are no inline comments and "#" means nothing. Bytes are taken as
// they are (one fixed single-byte code page); names match with ASCII case folding. A UTF-8 byte
// order mark is part of the first line, as on Windows; UTF-16 files are not decoded.
#include "platform/ProfileFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

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
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v';
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The arguments ignore surrounding spaces, but not tabs.
std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

char FoldAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldAscii(x) == FoldAscii(y);
         });
}

// The bytes of the file at `path`; nullopt when it is missing, a folder or unreadable.
std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return bytes.str();
}

// The sections of `file` in file order, comments left out; nullopt when it cannot be read.
std::optional<std::vector<Section>> Parse(const std::string& file) {
  // The name arrives the Windows way ("<component folder>\lumora.ini"); backslashes become "/"
  // here, where the file is opened. A relative name is taken from the working folder (Windows
  // would look in its own folder).
  const std::optional<std::string> content = ReadWholeFile(ProfileFileSystemPath(file));
  if (!content) return std::nullopt;
  const std::string& text = *content;

  std::vector<Section> sections;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = TrimBlanks(std::string_view(text).substr(pos, end - pos));
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
      sections.push_back({std::string(TrimBlanks(name)), {}});
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
    sections.back().entries.push_back(std::move(entry));
  }
  return sections;
}

const Section* FindSection(const std::vector<Section>& sections, std::string_view app) {
  const std::string_view wanted = TrimSpaces(app);
  for (const Section& s : sections) {
    if (SameName(s.name, wanted)) return &s;  // only the first section of a name counts
  }
  return nullptr;
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

// NUL-terminated items and a final NUL in a buffer of `size`; an empty list leaves "\0\0". When
// the list does not fit, the first size - 2 characters are kept, two NULs end the buffer and
// size - 2 is returned.
ProfileResult CopyList(const std::vector<std::string>& items, uint32_t size, uint32_t lastError) {
  ProfileResult r;
  r.lastError = lastError;
  if (size == 0) return r;
  std::string all;
  for (const std::string& item : items) {
    all += item;
    all.push_back('\0');
  }
  if (items.empty()) {
    r.buffer.assign(std::min<uint32_t>(size, 2), '\0');
  } else if (all.size() + 1 <= size) {
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
  const std::optional<std::vector<Section>> sections = Parse(file);
  const std::string_view fallback = DefaultText(def);
  if (!sections) {
    if (!app) return CopyList({}, size, kProfileFileNotFound);
    return CopyString(fallback, size, kProfileFileNotFound);
  }

  if (!app) {  // the section names, as often as they occur
    std::vector<std::string> names;
    for (const Section& s : *sections) {
      if (!s.name.empty()) names.push_back(s.name);
    }
    return CopyList(names, size, kProfileNoError);
  }

  const Section* section = FindSection(*sections, app);
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
    const std::string_view wanted = TrimSpaces(key);
    for (const Entry& e : section->entries) {
      if (!SameName(e.name, wanted)) continue;
      // The first entry of the name decides; one without "=" has no value and gives the default.
      if (e.hasValue) return CopyString(Unquote(e.value), size, kProfileNoError);
      break;
    }
  }
  return CopyString(fallback, size, kProfileNoError);
}

ProfileResult GetPrivateProfileSectionA(const char* app, uint32_t size, const std::string& file) {
  if (size == 0) return {};
  const std::optional<std::vector<Section>> sections = Parse(file);
  if (!sections) return CopyList({}, size, kProfileFileNotFound);
  std::vector<std::string> entries;
  if (const Section* section = FindSection(*sections, app ? app : "")) {
    for (const Entry& e : section->entries) {
      entries.push_back(e.hasValue ? e.name + "=" + e.value : e.name);
    }
  }
  return CopyList(entries, size, kProfileNoError);
}

}  // namespace lumora
