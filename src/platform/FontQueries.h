// Stand-ins for the platform's font and code-page queries that the form-font choice needs:
// whether the system's character set is a double-byte one, whether a font face is a double-byte
// (CJK) face, and the face of the default GUI font. The system answers come from the locale's
// code set (nl_langinfo(CODESET)); tests replace the whole object with SetFontQueries.
#pragma once

#include <memory>
#include <string>

namespace lumora {

class FontQueries {
 public:
  virtual ~FontQueries() = default;
  // The system's ANSI code page has characters of more than one byte (Shift_JIS, GBK, Big5,
  // EUC-KR, ...).
  virtual bool IsDoubleByteSystem() = 0;
  // The face is one of the double-byte character-set faces.
  virtual bool IsDoubleByteFont(const std::string& faceName) = 0;
  // The face name of the default GUI font (stock object 17).
  virtual std::string DefaultGuiFaceName() = 0;
};

// The answers of this machine: the locale's code set, a list of CJK faces, and a default GUI
// face that suits the system's character set.
class SystemFontQueries : public FontQueries {
 public:
  bool IsDoubleByteSystem() override;
  bool IsDoubleByteFont(const std::string& faceName) override;
  std::string DefaultGuiFaceName() override;
};

// Whether a code-set name (as nl_langinfo(CODESET) gives it) is a double-byte one.
bool IsDoubleByteCodeSet(const std::string& codeSet);

// The queries in use: the system's until replaced; SetFontQueries(nullptr) restores them.
FontQueries& CurrentFontQueries();
void SetFontQueries(std::shared_ptr<FontQueries> queries);

}  // namespace lumora
