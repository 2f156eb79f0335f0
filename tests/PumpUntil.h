#pragma once
// Turns the test thread's event loop until `done` holds; false after 10 s, a
// guard against a hang rather than a measure of time.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

namespace vorn {

inline bool PumpUntil(const std::function<bool()>& done) {
  QDeadlineTimer deadline(10000);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

}  // namespace vorn
