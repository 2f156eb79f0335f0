#pragma once
#include <QMetaObject>
#include <QThread>
#include <optional>
#include <type_traits>

namespace vorn {

template <class F>
auto CallOnThreadOf(QObject* owner, F f) -> decltype(f()) {
  using R = decltype(f());
  if (!owner || QThread::currentThread() == owner->thread()) return f();
  if constexpr (std::is_void_v<R>) {
    QMetaObject::invokeMethod(
        owner, [&f] { f(); }, Qt::BlockingQueuedConnection);
  } else {
    std::optional<R> result;
    QMetaObject::invokeMethod(
        owner, [&f, &result] { result.emplace(f()); }, Qt::BlockingQueuedConnection);
    return result ? std::move(*result) : R{};
  }
}

}  // namespace vorn
