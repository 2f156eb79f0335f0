#include "app/StopSignals.h"

#include <csignal>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vorn {

namespace {
volatile std::sig_atomic_t g_stopRequested = 0;

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD event) {
  g_stopRequested = 1;
  // Closing the console, logging off and shutting down end the process once
  // this returns: hold on while the main thread finishes the job in hand and
  // returns from main.
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    Sleep(INFINITE);
  }
  return TRUE;
}
#else
extern "C" void OnStopSignal(int) { g_stopRequested = 1; }
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

bool StopRequested() { return g_stopRequested != 0; }

}  // namespace vorn
