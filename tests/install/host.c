/* A small host written in C, built against an installed tree (with pkg-config or with CMake's
 * find_package(LumoraComponent)): it loads the installed component, makes LumoraCtl through its
 * class factory and asks IsIncluded for each feature path on its command line, over a design
 * object that holds one ticked driver. Usage: host LIBRARY|--default PATH...  Prints "PATH=0|1"
 * lines; --default is the component that find_package(LumoraComponent) named. */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "lumora/BVLumora.h"

static int SameGuid(const LumoraGuid* a, const LumoraGuid* b) {
  return memcmp(a, b, sizeof *a) == 0;
}

/* The design object: DTDBVerNo 0 and one driver, "SQL Server", ticked. */
static LumoraString driverNames[] = {{"SQL Server", 10}};
static const uint8_t driverTicks[] = {1};

static LumoraHResult ObjectQuery(IDesignObject* self, const LumoraGuid* iid, void** out) {
  if (SameGuid(iid, &IID_IUnknown) || SameGuid(iid, &IID_IDesignObject)) {
    *out = self;
    return LUMORA_S_OK;
  }
  *out = NULL;
  return LUMORA_E_NOINTERFACE;
}
static uint32_t ObjectAddRef(IDesignObject* self) {
  (void)self;
  return 1;
}
static uint32_t ObjectRelease(IDesignObject* self) {
  (void)self;
  return 1;
}
static LumoraHResult ObjectGet(IDesignObject* self, LumoraString name, LumoraValue* value,
                               IFailureInfo** error) {
  (void)self;
  if (error != NULL) *error = NULL;
  memset(value, 0, sizeof *value);
  if (name.length == 7 && memcmp(name.data, "Drivers", 7) == 0) {
    value->kind = LUMORA_VALUE_STRING_ARRAY;
    value->as.strings.items = driverNames;
    value->as.strings.count = 1;
  } else if (name.length == 17 && memcmp(name.data, "DriversSelections", 17) == 0) {
    value->kind = LUMORA_VALUE_BOOLEAN_ARRAY;
    value->as.booleans.items = driverTicks;
    value->as.booleans.count = 1;
  }
  return LUMORA_S_OK;
}
static LumoraHResult ObjectPut(IDesignObject* self, LumoraString name, const LumoraValue* value,
                               IFailureInfo** error) {
  (void)self;
  (void)name;
  (void)value;
  if (error != NULL) *error = NULL;
  return LUMORA_S_OK;
}
static void ObjectFree(IDesignObject* self, LumoraValue* value) {
  (void)self;
  (void)value; /* the values above are static */
}
static const IDesignObjectVtbl objectVtbl = {ObjectQuery, ObjectAddRef, ObjectRelease,
                                             ObjectGet,   ObjectPut,    ObjectFree};

int main(int argc, char** argv) {
  IDesignObject object = {&objectVtbl};
  if (argc < 2) {
    fprintf(stderr, "usage: host LIBRARY|--default PATH...\n");
    return 2;
  }
  const char* file = argv[1];
#ifdef LUMORA_COMPONENT_LIBRARY
  if (strcmp(file, "--default") == 0) file = LUMORA_COMPONENT_LIBRARY;
#endif
  void* library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (library == NULL) {
    fprintf(stderr, "host: cannot load %s: %s\n", file, dlerror());
    return 1;
  }
  LumoraDllGetClassObjectFn getClassObject;
  *(void**)&getClassObject = dlsym(library, "DllGetClassObject");
  IClassFactory* factory = NULL;
  ISetupDesignObjectBuild* build = NULL;
  if (getClassObject == NULL ||
      LUMORA_FAILED(getClassObject(&CLSID_LumoraCtl, &IID_IClassFactory, (void**)&factory)) ||
      LUMORA_FAILED(factory->lpVtbl->CreateInstance(factory, NULL, &IID_ISetupDesignObjectBuild,
                                                    (void**)&build))) {
    fprintf(stderr, "host: %s makes no LumoraCtl\n", file);
    return 1;
  }
  for (int i = 2; i < argc; ++i) {
    LumoraString path = {argv[i], strlen(argv[i])};
    int32_t included = -1;
    IFailureInfo* error = NULL;
    if (LUMORA_FAILED(build->lpVtbl->IsIncluded(build, &object, path, &included, &error))) {
      fprintf(stderr, "host: IsIncluded(%s) failed\n", argv[i]);
      return 1;
    }
    printf("%s=%d\n", argv[i], (int)included);
  }
  build->lpVtbl->Release(build);
  factory->lpVtbl->Release(factory);
  return 0;
}
