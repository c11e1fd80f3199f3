/* include/lumora/BVLumora.h compiled as C99: a host written in C can use every type of it. */
#include "lumora/BVLumora.h"

#include <string.h>

static LumoraHResult LUMORA_CALL QueryNothing(IUnknown* self, const LumoraGuid* iid, void** out) {
  (void)self;
  (void)iid;
  *out = NULL;
  return LUMORA_E_NOINTERFACE;
}

/* Answers 0 when the header's types have the shape a C host relies on, else the number of the
 * first check that failed. */
int LumoraPublicHeaderCheck(void) {
  static const char path[] = "ODBC\0tail";
  LumoraString strings[2];
  LumoraValue value;
  LumoraMember member;
  IUnknownVtbl vtbl;
  IUnknown unknown;
  void* out = &unknown;

  if (sizeof(LumoraGuid) != 16) return 1;
  if (!LUMORA_FAILED(LUMORA_E_NOINTERFACE) || LUMORA_FAILED(LUMORA_S_FALSE)) return 2;
  if (!LUMORA_FAILED(LUMORA_DISP_E_EXCEPTION) || !LUMORA_FAILED(LUMORA_E_HOSTINPUT)) return 3;

  strings[0].data = path;
  strings[0].length = sizeof path - 1; /* the NUL travels with the string */
  strings[1].data = NULL;
  strings[1].length = 0;
  value.kind = LUMORA_VALUE_STRING_ARRAY;
  value.as.strings.items = strings;
  value.as.strings.count = 2;
  if (value.as.strings.items[0].length != 9 || memchr(strings[0].data, '\0', 9) == NULL) return 4;

  member.name = strings[0];
  member.value = value;
  value.kind = LUMORA_VALUE_OBJECT;
  value.as.object.members = &member;
  value.as.object.count = 1;
  if (value.as.object.members[0].value.as.strings.count != 2) return 5;

  vtbl.QueryInterface = QueryNothing;
  vtbl.AddRef = NULL;
  vtbl.Release = NULL;
  unknown.lpVtbl = &vtbl;
  if (unknown.lpVtbl->QueryInterface(&unknown, &IID_IDevWizard, &out) != LUMORA_E_NOINTERFACE ||
      out != NULL) {
    return 6;
  }
  if (memcmp(&CLSID_LumoraCtl, &IID_IUnknown, sizeof(LumoraGuid)) == 0) return 7;
  return 0;
}
