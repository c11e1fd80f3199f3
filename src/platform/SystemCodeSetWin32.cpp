// SystemFontQueries::IsDoubleByteSystem on Windows: the system's ANSI code page has characters of
// more than one byte.
#include <windows.h>

#include "platform/FontQueries.h"

namespace lumora {

bool SystemFontQueries::IsDoubleByteSystem() {
  CPINFO info{};
  return ::GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
}

}  // namespace lumora
