/* BVLumora.h and <windows.h> in one translation unit, the system's first. */
#include <string.h>
#include <windows.h>
#include "lumora/BVLumora.h"

#include "HeaderUse.h"

int LumoraWindowsFirstCpp(void) {
  return UseHeader();
}
