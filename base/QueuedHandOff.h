#pragma once
// Qt's event queue and its blocking calls synchronize inside Qt, which ThreadSanitizer cannot see
// (Qt is not built with it). A functor sent through the queue is wrapped so that TSan sees the
// hand-off: released when it is last moved (into Qt's slot object), acquired when called; and, as
// Qt may destroy it on the sending thread once the receiver is done (the slot object's count is
// Qt's), released after the call and acquired when destroyed. Nothing in other builds.
#include <utility>

#if defined(__SANITIZE_THREAD__)
#define VORN_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VORN_UNDER_TSAN 1
#endif
#endif

#ifdef VORN_UNDER_TSAN
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace vorn {

inline void HandOffSent([[maybe_unused]] const void* key) {
#ifdef VORN_UNDER_TSAN
  __tsan_release(const_cast<void*>(key));
#endif
}

inline void HandOffReceived([[maybe_unused]] const void* key) {
#ifdef VORN_UNDER_TSAN
  __tsan_acquire(const_cast<void*>(key));
#endif
}

template <class F>
class Queued {
 public:
  explicit Queued(F f) : f_(std::move(f)) { HandOffSent(this); }
  Queued(Queued&& other) : f_(std::move(other.f_)) { HandOffSent(this); }
  Queued(const Queued& other) : f_(other.f_) { HandOffSent(this); }
  Queued& operator=(const Queued&) = delete;
  Queued& operator=(Queued&&) = delete;
  ~Queued() { HandOffReceived(this); }

  decltype(auto) operator()() {
    HandOffReceived(this);
    struct After {
      const void* key;
      ~After() { HandOffSent(key); }
    } after{this};
    return f_();
  }

 private:
  F f_;
};

}  // namespace vorn
