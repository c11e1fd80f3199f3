/* An ODBC driver that crashes when asked to connect: the driver manager loads it, allocates its
 * handles, and SQLDriverConnect ends the process with SIGSEGV. `lumora check` must report the
 * signal and go on with the next data source. */
#include <signal.h>
#include <stdint.h>

typedef int16_t SQLRETURN;
typedef int16_t SQLSMALLINT;
typedef void* SQLHANDLE;

static int handles[4];

SQLRETURN SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  (void)input;
  *output = &handles[type & 3];
  return 0;
}
SQLRETURN SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
  (void)type;
  (void)handle;
  return 0;
}
SQLRETURN SQLSetEnvAttr(SQLHANDLE env, int32_t attribute, void* value, int32_t length) {
  (void)env;
  (void)attribute;
  (void)value;
  (void)length;
  return 0;
}
SQLRETURN SQLSetConnectAttr(SQLHANDLE dbc, int32_t attribute, void* value, int32_t length) {
  (void)dbc;
  (void)attribute;
  (void)value;
  (void)length;
  return 0;
}
SQLRETURN SQLDriverConnect(SQLHANDLE dbc, void* window, unsigned char* in, SQLSMALLINT inLength,
                           unsigned char* out, SQLSMALLINT outMax, SQLSMALLINT* outLength,
                           uint16_t completion) {
  (void)dbc;
  (void)window;
  (void)in;
  (void)inLength;
  (void)out;
  (void)outMax;
  (void)outLength;
  (void)completion;
  raise(SIGSEGV);
  return -1;
}
SQLRETURN SQLDisconnect(SQLHANDLE dbc) {
  (void)dbc;
  return 0;
}
