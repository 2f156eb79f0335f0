#pragma once
// Turns the test thread's event loop until `done` holds; false after limitMs,
// a guard against a hang rather than a measure of time.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <functional>

#include "base/Clock.h"

namespace vorn {

inline bool PumpUntil(const std::function<bool()>& done, int limitMs = 10000) {
  QDeadlineTimer deadline(limitMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);  // leaves the cores to the threads being waited for
  }
  return true;
}

// A pause (ms, scaled) during which the test thread's event loop turns, for
// peers that answer through it.
inline void PumpFor(int ms) {
  const int64_t end = MonotonicMs() + ScaledMs(ms);
  PumpUntil([end] { return MonotonicMs() >= end; }, ScaledMs(ms) + 1000);
}

}  // namespace vorn
