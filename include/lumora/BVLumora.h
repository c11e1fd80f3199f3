/* The binary interface of the in-process component BVLumora (libBVLumora.so): the only header a
 * host needs to load the component with dlopen, create its class LumoraCtl and call it. It is
 * plain C (C99) and shaped like an in-process component server: four exports, interfaces
 * identified by GUIDs with QueryInterface/AddRef/Release in C vtable structs, HRESULT-style
 * results. Nothing but the types below crosses the boundary, and no exception escapes an export or
 * method. In a Windows build it is a COM header (BVLumora.dll): it includes <objbase.h>, takes
 * GUID, HRESULT, IUnknown, IClassFactory and the four exports' declarations from the system, and
 * its methods are __stdcall (LUMORA_CALL), so it compiles beside <windows.h> in either order.
 *
 * Ownership rules, one for everything:
 *  - Reference counting: a pointer handed out by QueryInterface, CreateInstance, DllGetClassObject,
 *    CreateErrorReport or through an IFailureInfo out parameter carries one reference, which the
 *    receiver gives back with Release. An interface pointer passed as an argument is borrowed for
 *    the call; AddRef it to keep it.
 *  - Strings (LumoraString) are UTF-8 with an explicit length; they may hold NUL characters and are
 *    not NUL-terminated. A string passed as an argument is borrowed for the call. A string handed
 *    out by a getter (IFailureInfo, IHostSite) stays valid while the object that gave it lives.
 *  - Values (LumoraValue) passed as arguments are borrowed for the call. A value filled by
 *    IDesignObject_GetProperty belongs to that design object until the caller hands it back with
 *    IDesignObject_FreeValue on the same object; the caller never frees its parts itself.
 */
#ifndef LUMORA_BVLUMORA_H
#define LUMORA_BVLUMORA_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#include <objbase.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The calling convention of every method and export: COM's on 32-bit Windows. */
#if defined(_WIN32) && !defined(_WIN64)
#define LUMORA_CALL __stdcall
#else
#define LUMORA_CALL
#endif

#if defined(__GNUC__)
#define LUMORA_UNUSED __attribute__((unused))
#define LUMORA_EXPORT __attribute__((visibility("default")))
#else
#define LUMORA_UNUSED
#define LUMORA_EXPORT
#endif

/* ---- Results ------------------------------------------------------------------------------ */

#ifdef _WIN32
typedef HRESULT LumoraHResult;
typedef ULONG LumoraRefCount;
#else
typedef int32_t LumoraHResult;
typedef uint32_t LumoraRefCount;
#endif

#define LUMORA_SUCCEEDED(hr) ((LumoraHResult)(hr) >= 0)
#define LUMORA_FAILED(hr) ((LumoraHResult)(hr) < 0)

#define LUMORA_S_OK ((LumoraHResult)0)
#define LUMORA_S_FALSE ((LumoraHResult)1)
#define LUMORA_E_NOTIMPL ((LumoraHResult)0x80004001)
#define LUMORA_E_NOINTERFACE ((LumoraHResult)0x80004002)
#define LUMORA_E_POINTER ((LumoraHResult)0x80004003)
#define LUMORA_E_FAIL ((LumoraHResult)0x80004005)
#define LUMORA_E_UNEXPECTED ((LumoraHResult)0x8000FFFF)
#define LUMORA_E_OUTOFMEMORY ((LumoraHResult)0x8007000E)
#define LUMORA_E_INVALIDARG ((LumoraHResult)0x80070057)
#define LUMORA_CLASS_E_NOAGGREGATION ((LumoraHResult)0x80040110)
#define LUMORA_CLASS_E_CLASSNOTAVAILABLE ((LumoraHResult)0x80040111)
#define LUMORA_SELFREG_E_TYPELIB ((LumoraHResult)0x80040200)
#define LUMORA_SELFREG_E_CLASS ((LumoraHResult)0x80040201)
/* The call failed with a run-time failure: the IFailureInfo out parameter carries its number,
 * description and source (for example 9, "Subscript out of range", "BVLumora"). */
#define LUMORA_DISP_E_EXCEPTION ((LumoraHResult)0x80020009)
/* The host's settings (IHostSite) or the wizard script cannot be used, or no wizard window can be
 * shown: nothing was asked and nothing was written. The IFailureInfo's description says why, naming
 * the file and line where there is one; its number is 0. */
#define LUMORA_E_HOSTINPUT ((LumoraHResult)0x8004A001)

/* ---- GUIDs -------------------------------------------------------------------------------- */

/* The layout of a GUID; on Windows the system's GUID itself (IID_IUnknown and IID_IClassFactory
 * are then the system's too). */
#ifdef _WIN32
typedef GUID LumoraGuid;
#else
typedef struct LumoraGuid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
} LumoraGuid;
#endif

/* {AFB22445-A174-40F6-8071-E46B5B17970C} the class LumoraCtl */
static const LumoraGuid CLSID_LumoraCtl LUMORA_UNUSED = {
    0xAFB22445, 0xA174, 0x40F6, {0x80, 0x71, 0xE4, 0x6B, 0x5B, 0x17, 0x97, 0x0C}};
/* {2B0DA707-39B8-43CF-8EE5-6F740FF91419} the type library "Brevant Lumora Object Wizard" */
static const LumoraGuid LIBID_BVLumora LUMORA_UNUSED = {
    0x2B0DA707, 0x39B8, 0x43CF, {0x8E, 0xE5, 0x6F, 0x74, 0x0F, 0xF9, 0x14, 0x19}};
#ifndef _WIN32
static const LumoraGuid IID_IUnknown LUMORA_UNUSED = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const LumoraGuid IID_IClassFactory LUMORA_UNUSED = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
#endif
/* {24D7F565-260A-4370-A12C-1A27FC4A9200} */
static const LumoraGuid IID_IDevWizard LUMORA_UNUSED = {
    0x24D7F565, 0x260A, 0x4370, {0xA1, 0x2C, 0x1A, 0x27, 0xFC, 0x4A, 0x92, 0x00}};
/* {EC38DFAC-89D5-49F1-BF3C-13F4DE9CF348} */
static const LumoraGuid IID_ISetupDesignObjectBuild LUMORA_UNUSED = {
    0xEC38DFAC, 0x89D5, 0x49F1, {0xBF, 0x3C, 0x13, 0xF4, 0xDE, 0x9C, 0xF3, 0x48}};
/* {C6420A16-11F0-4556-B515-6B06B0FBDA68} */
static const LumoraGuid IID_IDesignObject LUMORA_UNUSED = {
    0xC6420A16, 0x11F0, 0x4556, {0xB5, 0x15, 0x6B, 0x06, 0xB0, 0xFB, 0xDA, 0x68}};
/* {CE0EA908-2CF1-4AB4-B3D5-B8A8029A6917} */
static const LumoraGuid IID_IErrorReport LUMORA_UNUSED = {
    0xCE0EA908, 0x2CF1, 0x4AB4, {0xB3, 0xD5, 0xB8, 0xA8, 0x02, 0x9A, 0x69, 0x17}};
/* {B549C155-0D91-4C8B-B799-220B77EE7B82} */
static const LumoraGuid IID_IHostSite LUMORA_UNUSED = {
    0xB549C155, 0x0D91, 0x4C8B, {0xB7, 0x99, 0x22, 0x0B, 0x77, 0xEE, 0x7B, 0x82}};
/* {53DDB264-0BF8-45B5-A3B2-F54DFAEB9E33} */
static const LumoraGuid IID_IFailureInfo LUMORA_UNUSED = {
    0x53DDB264, 0x0BF8, 0x45B5, {0xA3, 0xB2, 0xF5, 0x4D, 0xFA, 0xEB, 0x9E, 0x33}};

/* The Windows build's automation side: LumoraCtl's default interface (in BVLumora.dll's type
 * library), dual, with Display(oObject) and IsIncluded(pObject, FeaturePath) for script hosts; and
 * the host's creatable class DesignObjectFile (in BVLumoraHost.dll, with its own type library), a
 * design object read from a file, with the host settings a script gives.
 */
/* {E75CA80B-7F0D-42A5-B103-149E83255B1A} */
static const LumoraGuid IID_ILumoraCtl LUMORA_UNUSED = {
    0xE75CA80B, 0x7F0D, 0x42A5, {0xB1, 0x03, 0x14, 0x9E, 0x83, 0x25, 0x5B, 0x1A}};
/* {6BFD1494-B19A-4830-B82C-8AA221E14C97} */
static const LumoraGuid IID_IDesignObjectFile LUMORA_UNUSED = {
    0x6BFD1494, 0xB19A, 0x4830, {0xB8, 0x2C, 0x8A, 0xA2, 0x21, 0xE1, 0x4C, 0x97}};
/* {D72BF160-C592-46DA-B4FD-F2FAB9529D68} the class DesignObjectFile */
static const LumoraGuid CLSID_DesignObjectFile LUMORA_UNUSED = {
    0xD72BF160, 0xC592, 0x46DA, {0xB4, 0xFD, 0xF2, 0xFA, 0xB9, 0x52, 0x9D, 0x68}};

/* The programmatic ids and type-library description that DllRegisterServer records. */
#define LUMORA_PROGID "BVLumora.LumoraCtl"
#define LUMORA_DESIGN_OBJECT_FILE_PROGID "BVLumora.DesignObjectFile"
#define LUMORA_TYPELIB_DESCRIPTION "Brevant Lumora Object Wizard"
/* The file name a host looks for beside itself when the class is not registered. */
#ifdef _WIN32
#define LUMORA_LIBRARY_FILE "BVLumora.dll"
#else
#define LUMORA_LIBRARY_FILE "libBVLumora.so"
#endif

/* ---- Strings and values ------------------------------------------------------------------- */

typedef struct LumoraString {
  const char* data; /* may be NULL when length is 0 */
  size_t length;
} LumoraString;

typedef enum LumoraValueKind {
  LUMORA_VALUE_EMPTY = 0,         /* a property never put */
  LUMORA_VALUE_NULL = 1,          /* an explicit null */
  LUMORA_VALUE_INTEGER = 2,       /* as.integer, 32 bits */
  LUMORA_VALUE_DOUBLE = 3,        /* as.number */
  LUMORA_VALUE_BOOLEAN = 4,       /* as.boolean, 0 or 1 */
  LUMORA_VALUE_STRING = 5,        /* as.string */
  LUMORA_VALUE_STRING_ARRAY = 6,  /* as.strings: array of strings, lower bound 0 */
  LUMORA_VALUE_BOOLEAN_ARRAY = 7, /* as.booleans: array of booleans (one byte each, 0 or 1) */
  LUMORA_VALUE_LIST = 8,          /* as.list: values of any kind */
  LUMORA_VALUE_OBJECT = 9         /* as.object: named members in their stored order */
} LumoraValueKind;

typedef struct LumoraValue LumoraValue;
typedef struct LumoraMember LumoraMember;

struct LumoraValue {
  int32_t kind; /* a LumoraValueKind */
  union {
    int32_t integer;
    double number;
    int32_t boolean;
    LumoraString string;
    struct {
      const LumoraString* items;
      size_t count;
    } strings;
    struct {
      const uint8_t* items;
      size_t count;
    } booleans;
    struct {
      const LumoraValue* items;
      size_t count;
    } list;
    struct {
      const LumoraMember* members;
      size_t count;
    } object;
  } as;
};

struct LumoraMember {
  LumoraString name;
  LumoraValue value;
};

/* ---- Interfaces --------------------------------------------------------------------------- */
/* Every interface starts with the three IUnknown methods. QueryInterface for IID_IUnknown
 * answers the same pointer from every interface of one object (its identity); an interface the
 * object does not have answers LUMORA_E_NOINTERFACE and sets *out to NULL. */

#ifndef _WIN32
typedef struct IUnknown IUnknown;
typedef struct IClassFactory IClassFactory;
#endif
typedef struct IDevWizard IDevWizard;
typedef struct ISetupDesignObjectBuild ISetupDesignObjectBuild;
typedef struct IDesignObject IDesignObject;
typedef struct IErrorReport IErrorReport;
typedef struct IHostSite IHostSite;
typedef struct IFailureInfo IFailureInfo;

#define LUMORA_IUNKNOWN_METHODS(Self)                                                         \
  LumoraHResult(LUMORA_CALL* QueryInterface)(Self * self, const LumoraGuid* iid, void** out); \
  LumoraRefCount(LUMORA_CALL* AddRef)(Self * self);                                           \
  LumoraRefCount(LUMORA_CALL* Release)(Self * self)

#ifndef _WIN32
typedef struct IUnknownVtbl {
  LUMORA_IUNKNOWN_METHODS(IUnknown);
} IUnknownVtbl;
struct IUnknown {
  const IUnknownVtbl* lpVtbl;
};
#endif

/* Made by the component: a run-time failure (number, description, source). */
typedef struct IFailureInfoVtbl {
  LUMORA_IUNKNOWN_METHODS(IFailureInfo);
  LumoraHResult(LUMORA_CALL* GetNumber)(IFailureInfo* self, int32_t* number);
  LumoraHResult(LUMORA_CALL* GetDescription)(IFailureInfo* self, LumoraString* description);
  LumoraHResult(LUMORA_CALL* GetSource)(IFailureInfo* self, LumoraString* source);
} IFailureInfoVtbl;
struct IFailureInfo {
  const IFailureInfoVtbl* lpVtbl;
};

/* Made by the component (DllGetClassObject): makes LumoraCtl objects. LockServer(TRUE) keeps the
 * library loaded without an object; each lock is undone with LockServer(FALSE). On Windows it is
 * the system's IClassFactory. */
#ifndef _WIN32
typedef struct IClassFactoryVtbl {
  LUMORA_IUNKNOWN_METHODS(IClassFactory);
  LumoraHResult(LUMORA_CALL* CreateInstance)(IClassFactory* self, IUnknown* outer,
                                             const LumoraGuid* iid, void** out);
  LumoraHResult(LUMORA_CALL* LockServer)(IClassFactory* self, int32_t lock);
} IClassFactoryVtbl;
struct IClassFactory {
  const IClassFactoryVtbl* lpVtbl;
};
#endif

/* Implemented by LumoraCtl. Display runs the wizard modally on the design object and sets
 * *result to 1 when the author finished (the choices were written back), 0 otherwise; failures
 * inside the wizard are reported to the host's error-report objects, not returned. It answers
 * LUMORA_E_HOSTINPUT (with *error, when error is not NULL) when the host settings or the wizard
 * script cannot be used or no window can be shown; the design object is then untouched. */
typedef struct IDevWizardVtbl {
  LUMORA_IUNKNOWN_METHODS(IDevWizard);
  LumoraHResult(LUMORA_CALL* Display)(IDevWizard* self, IDesignObject* object, int32_t* result,
                                      IFailureInfo** error);
} IDevWizardVtbl;
struct IDevWizard {
  const IDevWizardVtbl* lpVtbl;
};

/* Implemented by LumoraCtl. IsIncluded sets *result to 1 when the feature at featurePath (levels
 * separated by a backslash; the path ends at its first NUL) goes into the build. object may be
 * NULL (the answer is 0). A failure reading the design object answers LUMORA_DISP_E_EXCEPTION
 * and, when error is not NULL, sets *error to the failure; *result is then undefined. */
typedef struct ISetupDesignObjectBuildVtbl {
  LUMORA_IUNKNOWN_METHODS(ISetupDesignObjectBuild);
  LumoraHResult(LUMORA_CALL* IsIncluded)(ISetupDesignObjectBuild* self, IDesignObject* object,
                                         LumoraString featurePath, int32_t* result,
                                         IFailureInfo** error);
} ISetupDesignObjectBuildVtbl;
struct ISetupDesignObjectBuild {
  const ISetupDesignObjectBuildVtbl* lpVtbl;
};

/* Implemented by the host: the per-object property container. GetProperty fills *value (a
 * property never put is LUMORA_VALUE_EMPTY, not a failure); the value is the design object's
 * until FreeValue. A failing get or put may set *error (or leave it NULL); the component passes
 * the failure on as its own. The component asks the design object with QueryInterface for the
 * optional IHostSite. */
typedef struct IDesignObjectVtbl {
  LUMORA_IUNKNOWN_METHODS(IDesignObject);
  LumoraHResult(LUMORA_CALL* GetProperty)(IDesignObject* self, LumoraString name,
                                          LumoraValue* value, IFailureInfo** error);
  LumoraHResult(LUMORA_CALL* PutProperty)(IDesignObject* self, LumoraString name,
                                          const LumoraValue* value, IFailureInfo** error);
  void(LUMORA_CALL* FreeValue)(IDesignObject* self, LumoraValue* value);
} IDesignObjectVtbl;
struct IDesignObject {
  const IDesignObjectVtbl* lpVtbl;
};

/* Implemented by the host: takes one trapped failure with the procedure text of the operation that
 * trapped it ("WizAPI:ReadDrvSections"). A failing result is a failure of the report itself. */
typedef struct IErrorReportVtbl {
  LUMORA_IUNKNOWN_METHODS(IErrorReport);
  LumoraHResult(LUMORA_CALL* ReportError)(IErrorReport* self, int32_t number,
                                          LumoraString description, LumoraString source,
                                          LumoraString procedure);
} IErrorReportVtbl;
struct IErrorReport {
  const IErrorReportVtbl* lpVtbl;
};

typedef enum LumoraWizardMode {
  LUMORA_WIZARD_WINDOW = 0,   /* a window, when a display can be reached */
  LUMORA_WIZARD_SCRIPT = 1,   /* headless, playing the actions of a script file */
  LUMORA_WIZARD_TERMINAL = 2, /* in the terminal of standard input and output */
  LUMORA_WIZARD_CHOOSE = 3    /* a window when a display can be reached, else the terminal */
} LumoraWizardMode;

/* The host's settings. An empty string means the default: componentDir the folder of the
 * component's own file, registry "unixodbc", hostConfig the built-in folders and drives. script is
 * the script file's path ("-" for standard input) when wizardMode is LUMORA_WIZARD_SCRIPT; the
 * script's output (dump, message boxes, help requests) goes to the process's standard output. */
typedef struct LumoraHostSettings {
  LumoraString componentDir;
  LumoraString registry;   /* "unixodbc", "none", "wine", a Wine prefix folder or the path of a
                              .reg registry export */
  LumoraString hostConfig; /* an INI file with [SystemFolders] and [Drives] */
  int32_t wizardMode;      /* a LumoraWizardMode */
  LumoraString script;
  int32_t registryView; /* 32 or 64: the registry and system folder as a 32-bit or a 64-bit
                           program sees them on a 64-bit machine; 0 means 32 */
} LumoraHostSettings;

/* Implemented by the host, optionally, on the same object as its design objects (reached with
 * QueryInterface from IDesignObject). Without it the component uses the defaults, the window
 * mode, and error reports of its own on standard error. */
typedef struct IHostSiteVtbl {
  LUMORA_IUNKNOWN_METHODS(IHostSite);
  LumoraHResult(LUMORA_CALL* GetSettings)(IHostSite* self, LumoraHostSettings* settings);
  LumoraHResult(LUMORA_CALL* CreateErrorReport)(IHostSite* self, IErrorReport** report);
} IHostSiteVtbl;
struct IHostSite {
  const IHostSiteVtbl* lpVtbl;
};

/* ---- The four exports --------------------------------------------------------------------- */

/* On Windows these are the system's COM exports: DllRegisterServer writes LumoraCtl
 * under HKEY_CLASSES_ROOT (CLSID, InprocServer32 with ThreadingModel Apartment,
 * ProgID, VersionIndependentProgID, TypeLib, Control) and registers the type library embedded as
 * resource TYPELIB 1; DllInstall(TRUE, L"user") does the same under HKEY_CURRENT_USER only.
 * Elsewhere:
 *
 * Records LumoraCtl (class id, programmatic id, the library's path) and the type library in the
 * per-user component registry $XDG_DATA_HOME/lumora/components.json (default
 * ~/.local/share/lumora/components.json), written atomically. Its layout:
 *   { "classes":  { "{CLSID}": { "name": "LumoraCtl", "progId": "BVLumora.LumoraCtl",
 *                                "path": "/…/libBVLumora.so", "typeLib": "{LIBID}" } },
 *     "progIds":  { "BVLumora.LumoraCtl": "{CLSID}" },
 *     "typeLibs": { "{LIBID}": { "description": "Brevant Lumora Object Wizard",
 *                                "version": "1.0", "path": "/…/libBVLumora.so" } } }
 * Other members of the file are kept as they are. */
#ifndef _WIN32
LUMORA_EXPORT LumoraHResult DllRegisterServer(void);
/* Removes exactly what DllRegisterServer added; a file left with nothing is deleted. */
LUMORA_EXPORT LumoraHResult DllUnregisterServer(void);
/* Hands out the class factory of clsid (only CLSID_LumoraCtl) for iid (IClassFactory or IUnknown).
 */
LUMORA_EXPORT LumoraHResult DllGetClassObject(const LumoraGuid* clsid, const LumoraGuid* iid,
                                              void** out);
/* LUMORA_S_OK when no object made by the library is alive and no lock is held; LUMORA_S_FALSE
 * otherwise. */
LUMORA_EXPORT LumoraHResult DllCanUnloadNow(void);
#endif

typedef LumoraHResult(LUMORA_CALL* LumoraDllRegisterServerFn)(void);
typedef LumoraHResult(LUMORA_CALL* LumoraDllUnregisterServerFn)(void);
typedef LumoraHResult(LUMORA_CALL* LumoraDllGetClassObjectFn)(const LumoraGuid* clsid,
                                                              const LumoraGuid* iid, void** out);
typedef LumoraHResult(LUMORA_CALL* LumoraDllCanUnloadNowFn)(void);

#ifdef __cplusplus
}
#endif

#endif /* LUMORA_BVLUMORA_H */
