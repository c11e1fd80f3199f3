// Stand-ins for the Windows ANSI profile-file functions, with the Windows results: the same
// parsing of INI files, the same truncation rules and return counts, the same defaults. The
// caller owns nothing but the returned strings. A file is parsed once and kept while its size
// and modification time stay the same; it is never written. Text comes back as UTF-8 (a file
// saved as UTF-16LE with its byte-order mark is read as such, one that is not UTF-8 as
// Windows-1252), and lengths count its bytes.
#pragma once

#include <cstdint>
#include <string>

namespace lumora {

// The last-error codes the profile functions set.
inline constexpr uint32_t kProfileNoError = 0;
inline constexpr uint32_t kProfileFileNotFound = 2;       // ERROR_FILE_NOT_FOUND
inline constexpr uint32_t kProfileInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
inline constexpr uint32_t kProfileMoreData = 234;         // ERROR_MORE_DATA

// What a profile function left in the caller's buffer of `size` characters.
struct ProfileResult {
  // The characters written, terminating NUL(s) included ("" when `size` was 0). A list ends in
  // two NULs; a string in one.
  std::string buffer;
  // The function's return value: characters copied, without the final NUL.
  uint32_t returned = 0;
  // The last-error code the call leaves (kProfileNoError, kProfileFileNotFound, kProfileMoreData).
  uint32_t lastError = kProfileNoError;

  // The first `returned` characters: the string itself, or the NUL-separated list without its
  // final NUL.
  std::string Text() const { return buffer.substr(0, returned); }
};

// The value of `key` in section `app`, or `def` (trailing spaces removed; null means "") when
// the file, the section or the key is missing. Sections and keys match ignoring ASCII case and
// the spaces around the arguments; only the first section of a name is searched, and within it
// the first entry of the key. One pair of matching outer quotes (' or ") is removed from a
// found value. A value that does not fit is cut to size - 1 characters, and size - 1 is
// returned. With `key` null the key names of the section are listed, with `app` null the
// section names (none leaves a single NUL); a list that does not fit with a character to
// spare, even one that just fits, has its last name cut and returns size - 2.
ProfileResult GetPrivateProfileStringA(const char* app, const char* key, const char* def,
                                       uint32_t size, const std::string& file);

// The entries of the first section named `app`, each "name=value" (or "name" for a line without
// "=") followed by a NUL, then one more NUL; the return counts every entry's NUL but not the
// last one. Quotes are kept and comment lines are left out. A missing or empty section returns
// 0 with the buffer "\0\0"; a section that does not fit with a character to spare is cut at
// size - 2 characters, ends in two NULs and returns size - 2. A null `app` returns 0 with
// kProfileInvalidParameter and writes nothing.
ProfileResult GetPrivateProfileSectionA(const char* app, uint32_t size, const std::string& file);

// The file name as it is opened on this machine: every backslash becomes "/". The catalogue's
// path is built the Windows way (folder + "\" + "lumora.ini"); a component folder on this
// platform is a POSIX path in which a backslash never means anything else.
std::string ProfileFileSystemPath(const std::string& file);

}  // namespace lumora
