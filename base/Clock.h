#pragma once
#include <cstdint>

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

// The one wait facility: blocks the calling thread for ms (scaled) and runs
// nothing else meanwhile: the pauses of a device job (between retries, after a
// file) must not let anything else run. Safe without a QCoreApplication.
void WaitMs(int ms);

}  // namespace vorn
