// StopSignals.h on Windows: a console control handler notes Ctrl+C as SIGINT, Ctrl+Break as
// SIGTERM and the console closing as SIGHUP.
#include <windows.h>

#include <atomic>
#include <csignal>

#include "StopSignals.h"

namespace lumora::cli {
namespace {

std::atomic<int> stopSignal{0};

BOOL WINAPI NoteStopEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
      stopSignal = SIGINT;
      return TRUE;
    case CTRL_BREAK_EVENT:
      stopSignal = SIGTERM;
      return TRUE;
    case CTRL_CLOSE_EVENT:
      stopSignal = 1;
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

StopSignalsDuringSave::StopSignalsDuringSave() {
  ::SetConsoleCtrlHandler(NoteStopEvent, TRUE);
}

StopSignalsDuringSave::~StopSignalsDuringSave() {
  ::SetConsoleCtrlHandler(NoteStopEvent, FALSE);
}

int StopSignal() {
  return stopSignal.load();
}

}  // namespace lumora::cli
