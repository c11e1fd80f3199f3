/* The body of the translation units that include include/lumora/BVLumora.h beside <windows.h>,
 * each in its own order and language: the system's COM types and the component's interfaces used
 * together, as a Windows host does. Compiling is the test. */
#ifndef LUMORA_TEST_HEADER_USE_H
#define LUMORA_TEST_HEADER_USE_H

/* Asks a system IUnknown for the build question and asks it; the methods are __stdcall. */
static HRESULT AskBuild(IUnknown* unknown, IDesignObject* object, LumoraString path,
                        int32_t* answer) {
  ISetupDesignObjectBuild* build = NULL;
  IFailureInfo* error = NULL;
  HRESULT result;
#ifdef __cplusplus
  result = unknown->QueryInterface(IID_ISetupDesignObjectBuild, (void**)&build);
#else
  result = unknown->lpVtbl->QueryInterface(unknown, &IID_ISetupDesignObjectBuild, (void**)&build);
#endif
  if (FAILED(result)) return result;
  result = build->lpVtbl->IsIncluded(build, object, path, answer, &error);
  if (error != NULL) error->lpVtbl->Release(error);
  build->lpVtbl->Release(build);
  return result;
}

/* A host's method has the vtable's own type: the calling convention is part of it. */
static LumoraRefCount LUMORA_CALL NoReference(IDesignObject* self) {
  (void)self;
  return 1;
}
static const LumoraGuid* const kSystemIids[] = {&IID_IUnknown, &IID_IClassFactory, &IID_IDispatch,
                                                &CLSID_LumoraCtl, &LIBID_BVLumora};

static int UseHeader(void) {
  IDesignObjectVtbl vtbl;
  /* Through the one function type that converts to any other in C and C++ alike. */
  LumoraDllGetClassObjectFn getClassObject =
      (LumoraDllGetClassObjectFn)(void (*)(void))GetProcAddress(
          LoadLibraryW(L"" LUMORA_LIBRARY_FILE), "DllGetClassObject");
  memset(&vtbl, 0, sizeof vtbl);
  vtbl.AddRef = NoReference;
  (void)AskBuild;
  (void)getClassObject;
  return (int)(sizeof kSystemIids / sizeof kSystemIids[0]) + (int)sizeof(LumoraHResult);
}

#endif
