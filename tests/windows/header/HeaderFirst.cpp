/* BVLumora.h and <windows.h> in one translation unit, ours first. */
#include <string.h>
#include <windows.h>
#include "lumora/BVLumora.h"

#include "HeaderUse.h"

int LumoraHeaderFirstCpp(void) {
  return UseHeader();
}
