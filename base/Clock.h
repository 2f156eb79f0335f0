#pragma once
#include <cstdint>
#include <functional>

namespace vorn {

// Milliseconds on a monotonic clock: elapsed-time limits must survive midnight
// and wall-clock changes.
int64_t MonotonicMs();

// Factor applied to every fixed pause and device interval. 1.0 in production;
// tests shorten the clock with the environment variable VORNDRV_TIME_SCALE
// (for example 0.05), read once.
double TimeScale();
void SetTimeScale(double scale);  // for in-process tests
int ScaledMs(int ms);             // at least 1 for a positive ms

// The one wait facility: pauses for ms (scaled). On the application's main
// thread the Qt event loop keeps dispatching meanwhile (in-process tests whose
// fake device answers through it); on any other thread it blocks, lending the
// time to the thread's wait pump, if one is set, so that bytes arriving from
// the device meanwhile are taken in. Safe without a QCoreApplication.
void WaitMs(int ms);

// Pauses for ms (scaled) without ever running an event loop, on whatever
// thread: the pauses of a device job (between retries, after a file), which
// must not let anything else run meanwhile. Lends its time to the thread's
// wait pump like WaitMs off the main thread.
void SleepMs(int ms);

// The pump WaitMs hands its time to on this thread: called with the
// milliseconds left, it returns when something happened or they ran out.
using WaitPump = std::function<void(int ms)>;
// Sets this thread's pump (null: none) and returns the one it replaces.
const WaitPump* SetThreadWaitPump(const WaitPump* pump);

// True where waits run the Qt event loop: the application's main thread.
bool WaitsRunEventLoop();

}  // namespace vorn
