/* BVLumora.h and <windows.h> in one translation unit, the system's first (as C++:
 * WindowsFirst.cpp). */
#include <string.h>
#include <windows.h>

#include "lumora/BVLumora.h"

#include "HeaderUse.h"

int LumoraWindowsFirst(void) {
  return UseHeader();
}
