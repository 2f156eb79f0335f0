#include "app/StopSignals.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vorn {

namespace {
// Set by a signal handler (or the console's handler thread on Windows), read by
// the main thread and the worker: lock-free atomic, safe in both.
std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD event) {
  g_stopRequested.store(true);
  // Closing the console, logging off and shutting down end the process once
  // this returns: hold on while the main thread finishes the job in hand and
  // returns from main.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    Sleep(INFINITE);
  }
  return TRUE;
}
#else
extern "C" void OnStopSignal(int) { g_stopRequested.store(true); }
#endif
}  // namespace

void InstallStopSignals() {
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

bool StopRequested() { return g_stopRequested.load(); }

}  // namespace vorn
