#pragma once
#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <mutex>
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
  // The way back is a lock TSan sees: behind a blocking connection, Qt still
  // reads the caller's stack after it lets the caller go on.
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  [[maybe_unused]] std::optional<std::conditional_t<std::is_void_v<R>, bool, R>> result;
  QMetaObject::invokeMethod(owner, Queued([&] {
                              if constexpr (std::is_void_v<R>) {
                                f();
                              } else {
                                result.emplace(f());
                              }
                              const std::lock_guard lock(mutex);
                              done = true;
                              finished.notify_one();
                            }),
                            Qt::QueuedConnection);
  std::unique_lock lock(mutex);
  finished.wait(lock, [&] { return done; });
  if constexpr (!std::is_void_v<R>) return result ? std::move(*result) : R{};
}

}  // namespace vorn
