#pragma once
// Turns the test thread's event loop until `done` holds; false after limitMs,
// a guard against a hang rather than a measure of time.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <functional>

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

}  // namespace vorn
