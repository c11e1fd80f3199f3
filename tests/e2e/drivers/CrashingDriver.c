/* An ODBC driver that crashes when asked to connect: the driver manager loads it and allocates
 * its handles, then SQLDriverConnect ends the process with SIGSEGV. `lumora check` must report
 * the signal and go on with the next data source. The driver manager passes arguments that the
 * functions without a use for them do not declare (the caller cleans the stack here).
 * Built with CRASH_WHEN_LOADED, it crashes as soon as it is loaded, before any call.
 * Built with DETACH_AND_HANG, SQLDriverConnect instead floods standard error with text and
 * control characters, starts a grandchild that leaves the session with setsid and writes its
 * process id to the file $LUMORA_TEST_MARKER names, and hangs: a try must cut the text and end
 * the grandchild with the try.
 * A connection string holding "Echo=1" is echoed instead, on standard error and in a diagnostic
 * record, and the connection fails: what a try shows of it must have its secrets masked. */
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

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
static char echoed[1024];

/* The echo as a diagnostic record, for SQLGetDiagRec and SQLError alike. */
static short Echo(char* state, int* native, char* message, short size, short* length) {
  if (echoed[0] == '\0') return 100; /* SQL_NO_DATA */
  strcpy(state, "28000");
  *native = 7;
  snprintf(message, (size_t)size, "refused %s", echoed);
  *length = (short)strlen(message);
  echoed[0] = '\0';
  return 0;
}
short SQLGetDiagRec(short type, void* handle, short record, char* state, int* native,
                    char* message, short size, short* length) {
  (void)type;
  (void)handle;
  return record == 1 ? Echo(state, native, message, size, length) : 100;
}
short SQLError(void* env, void* dbc, void* stmt, char* state, int* native, char* message,
               short size, short* length) {
  (void)env;
  (void)dbc;
  (void)stmt;
  return Echo(state, native, message, size, length);
}

short SQLDriverConnect(void* dbc, void* window, const char* in, short length) {
  (void)dbc;
  (void)window;
  if (in != NULL) {
    snprintf(echoed, sizeof echoed, "%.*s", length < 0 ? (int)strlen(in) : length, in);
    if (strstr(echoed, "Echo=1") != NULL) {
      fprintf(stderr, "connecting with %s\n", echoed);
      return -1; /* SQL_ERROR */
    }
    echoed[0] = '\0';
  }
#ifdef DETACH_AND_HANG
  for (int i = 0; i < 20000; ++i) fputs("noise\x1b[2J\x07\n", stderr);
  fflush(stderr);
  if (fork() == 0) {
    setsid();
    if (fork() == 0) {
      FILE* out = fopen(getenv("LUMORA_TEST_MARKER"), "w");
      if (out != NULL) {
        fprintf(out, "%d\n", (int)getpid());
        fclose(out);
      }
      for (;;) pause();
    }
    _exit(0);
  }
  for (;;) pause();
#endif
  raise(SIGSEGV);
  return -1;
}
