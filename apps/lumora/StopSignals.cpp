#include "StopSignals.h"

#include <signal.h>

#include <iterator>

namespace lumora::cli {
namespace {

volatile sig_atomic_t stopSignal = 0;

extern "C" void NoteStopSignal(int signal) {
  stopSignal = signal;
}

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction old[std::size(kSignals)]{};

}  // namespace

StopSignalsDuringSave::StopSignalsDuringSave() {
  struct sigaction action {};
  action.sa_handler = NoteStopSignal;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &action, &old[i]);
}

StopSignalsDuringSave::~StopSignalsDuringSave() {
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &old[i], nullptr);
}

int StopSignal() {
  return static_cast<int>(stopSignal);
}

}  // namespace lumora::cli
