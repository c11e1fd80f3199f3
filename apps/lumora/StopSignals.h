// While the object is saved, SIGINT, SIGTERM and SIGHUP (on Windows: Ctrl+C, Ctrl+Break and the
// console closing) ask the save to stop at its next safe point (the object old or new, the
// choices in a recovery file) instead of ending the process in the middle of it.
#pragma once

namespace lumora::cli {

// Notes the stop signals while it lives; the previous handling comes back after.
class StopSignalsDuringSave {
 public:
  StopSignalsDuringSave();
  ~StopSignalsDuringSave();
  StopSignalsDuringSave(const StopSignalsDuringSave&) = delete;
  StopSignalsDuringSave& operator=(const StopSignalsDuringSave&) = delete;
};

// The signal that asked the save to stop; 0 while none has.
int StopSignal();

}  // namespace lumora::cli
