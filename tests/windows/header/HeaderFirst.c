/* BVLumora.h and <windows.h> in one translation unit, ours first (as C++: HeaderFirst.cpp). */
#include "lumora/BVLumora.h"

#include <string.h>
#include <windows.h>

#include "HeaderUse.h"

int LumoraHeaderFirst(void) {
  return UseHeader();
}
