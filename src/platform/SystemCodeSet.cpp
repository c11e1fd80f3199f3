// SystemFontQueries::IsDoubleByteSystem on POSIX: the code set of the environment's locale, as
// the system's ANSI code page would be.
#include <langinfo.h>

#include <clocale>

#include "platform/FontQueries.h"

namespace lumora {

bool SystemFontQueries::IsDoubleByteSystem() {
  std::setlocale(LC_CTYPE, "");
  const char* codeSet = nl_langinfo(CODESET);
  return codeSet != nullptr && IsDoubleByteCodeSet(codeSet);
}

}  // namespace lumora
