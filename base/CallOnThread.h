#pragma once
#include <QMetaObject>
#include <QThread>
#include <optional>
#include <type_traits>

#include "base/QueuedHandOff.h"

namespace vorn {

// Runs f on the thread of `owner` and returns its result; at once when already
// there, else waiting for it (the owner's thread must not be waiting for the
// caller's).
template <class F>
auto CallOnThreadOf(QObject* owner, F f) -> decltype(f()) {
  using R = decltype(f());
  if (!owner || QThread::currentThread() == owner->thread()) return f();
  // The way back (Qt's semaphore) is marked too: the caller then reads what f did.
  const char back = 0;
  if constexpr (std::is_void_v<R>) {
    QMetaObject::invokeMethod(owner, Queued([&f, &back] {
                                f();
                                HandOffSent(&back);
                              }),
                              Qt::BlockingQueuedConnection);
    HandOffReceived(&back);
  } else {
    std::optional<R> result;
    QMetaObject::invokeMethod(owner, Queued([&f, &result, &back] {
                                result.emplace(f());
                                HandOffSent(&back);
                              }),
                              Qt::BlockingQueuedConnection);
    HandOffReceived(&back);
    return result ? std::move(*result) : R{};
  }
}

}  // namespace vorn
