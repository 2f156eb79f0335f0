#include "app/StopSignals.h"

#include <csignal>

namespace vorn {

namespace {
volatile std::sig_atomic_t g_stopRequested = 0;
extern "C" void OnStopSignal(int) { g_stopRequested = 1; }
}  // namespace

void InstallStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() { return g_stopRequested != 0; }

}  // namespace vorn
