/* A stand-in ODBC driver for the installer tests under Wine: the setup entry points the
 * installer's ODBC actions call. ConfigDSNW writes or removes the data source as real setup
 * libraries do; ConfigDriverW accepts every request. Built 32- and 64-bit with mingw-w64. */
#include <windows.h>  // first: the ODBC headers use its types

#include <odbcinst.h>

BOOL WINAPI ConfigDriverW(HWND parent, WORD request, LPCWSTR driver, LPCWSTR args, LPWSTR msg,
                          WORD msgMax, WORD* msgOut) {
  (void)parent, (void)request, (void)driver, (void)args;
  if (msg != NULL && msgMax > 0) msg[0] = 0;
  if (msgOut != NULL) *msgOut = 0;
  return TRUE;
}

/* The value of DSN= in a list of key=value strings, each ended by a NUL, the list by another. */
static LPCWSTR DataSourceName(LPCWSTR attributes) {
  for (LPCWSTR at = attributes; at != NULL && *at != 0; at += lstrlenW(at) + 1) {
    if (lstrlenW(at) >= 4 && CompareStringOrdinal(at, 4, L"DSN=", 4, TRUE) == CSTR_EQUAL)
      return at + 4;
  }
  return NULL;
}

BOOL WINAPI ConfigDSNW(HWND parent, WORD request, LPCWSTR driver, LPCWSTR attributes) {
  (void)parent;
  LPCWSTR name = DataSourceName(attributes);
  if (name == NULL) return FALSE;
  if (request == ODBC_REMOVE_DSN || request == ODBC_REMOVE_SYS_DSN) {
    return SQLRemoveDSNFromIniW(name);
  }
  return SQLWriteDSNToIniW(name, driver);
}
