/* An ODBC driver that crashes when asked to connect: the driver manager loads it and allocates
 * its handles, then SQLDriverConnect ends the process with SIGSEGV. `lumora check` must report
 * the signal and go on with the next data source. The driver manager passes arguments that the
 * functions without a use for them do not declare (the caller cleans the stack here).
 * Built with CRASH_WHEN_LOADED, it crashes as soon as it is loaded, before any call. */
#include <signal.h>

#ifdef CRASH_WHEN_LOADED
__attribute__((constructor)) static void CrashNow(void) {
  raise(SIGSEGV);
}
#endif

static int handles[4];

short SQLAllocHandle(short type, void* input, void** output) {
  (void)input;
  *output = &handles[type & 3];
  return 0;
}
short SQLFreeHandle(void) {
  return 0;
}
short SQLSetEnvAttr(void) {
  return 0;
}
short SQLSetConnectAttr(void) {
  return 0;
}
short SQLDisconnect(void) {
  return 0;
}
short SQLDriverConnect(void) {
  raise(SIGSEGV);
  return -1;
}
