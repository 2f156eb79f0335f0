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
std::atomic<bool> g_stopFinished{false};
HANDLE g_finishedEvent = nullptr;  // manual reset, set with g_stopFinished

// Windows ends the process as soon as the console handler returns: it holds
// on at most this long, past the longest device job (a report waits 180 s).
constexpr DWORD kConsoleHoldMs = 200'000;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  g_stopRequested.store(true);
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
    WaitForSingleObject(g_finishedEvent, kConsoleHoldMs);
  }
  return TRUE;
}

// Windows sends the end of the session to top-level windows only, hidden ones
// too; a console handler hears it only in a program without windows. The
// window has a thread of its own, so that its wait for the orderly stop leaves
// the main thread free to do that stop.
LRESULT CALLBACK OnSessionMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_QUERYENDSESSION) {
    g_stopRequested.store(true);
    if (!g_stopFinished.load()) {
      ShutdownBlockReasonCreate(window, L"Vorn_Drv termina lucrul in curs cu casa de marcat");
    }
    return TRUE;
  }
  if (message == WM_ENDSESSION) {
    if (wParam) {
      g_stopRequested.store(true);
      // The process may be ended once this returns.
      WaitForSingleObject(g_finishedEvent, kConsoleHoldMs);
    }
    ShutdownBlockReasonDestroy(window);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

DWORD WINAPI SessionWindowThread(LPVOID) {
  WNDCLASSW type{};
  type.lpfnWndProc = OnSessionMessage;
  type.hInstance = GetModuleHandleW(nullptr);
  type.lpszClassName = L"VornDrvSessionEnd";
  if (!RegisterClassW(&type)) return 1;
  // Never shown; not a message-only window, which the session's end skips.
  if (!CreateWindowExW(0, type.lpszClassName, L"Vorn_Drv", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                       type.hInstance, nullptr)) {
    return 1;
  }
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

void WatchSessionEnd() {
  // Lives as long as the process; nothing joins it.
  if (HANDLE thread = CreateThread(nullptr, 0, SessionWindowThread, nullptr, 0, nullptr)) {
    CloseHandle(thread);
  }
}
#else
extern "C" void OnStopSignal(int) { g_stopRequested.store(true); }
#endif
}  // namespace

void InstallStopSignals() {
#ifdef _WIN32
  g_finishedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  WatchSessionEnd();
#else
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

bool StopRequested() { return g_stopRequested.load(); }

void StopFinished() {
#ifdef _WIN32
  g_stopFinished.store(true);
  if (g_finishedEvent) SetEvent(g_finishedEvent);
#endif
}

}  // namespace vorn
