#include "base/Clock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdlib>

namespace vorn {

namespace {
std::atomic<double> g_scale{-1.0};
}

int64_t MonotonicMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

double ScaleFromEnvironment() {
  if (const char* env = std::getenv("VORNDRV_TIME_SCALE")) {
    char* end = nullptr;
    const double v = std::strtod(env, &end);
    if (end != env && v > 0 && v <= 100) return v;
  }
  return 1.0;
}

double TimeScale() {
  // Read by the worker and the main thread alike: the first reader sets it once.
  static const bool initialised = [] {
    double unset = -1.0;
    g_scale.compare_exchange_strong(unset, ScaleFromEnvironment());
    return true;
  }();
  (void)initialised;
  return g_scale.load(std::memory_order_relaxed);
}

void SetTimeScale(double scale) { g_scale = scale > 0 ? scale : 1.0; }

int ScaledMs(int ms) {
  if (ms <= 0) return 0;
  double v = ms * TimeScale();
  if (v < 1) return 1;
  if (v > 2e9) return 2000000000;
  return static_cast<int>(v);
}

namespace {
thread_local const WaitPump* t_pump = nullptr;
}

const WaitPump* SetThreadWaitPump(const WaitPump* pump) {
  const WaitPump* before = t_pump;
  t_pump = pump;
  return before;
}

bool WaitsRunEventLoop() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

void SleepMs(int ms) {
  const int total = ScaledMs(ms);
  const int64_t end = MonotonicMs() + total;
  for (int64_t left = total; left > 0; left = end - MonotonicMs()) {
    if (t_pump && *t_pump) {
      (*t_pump)(static_cast<int>(left));
    } else {
      QThread::msleep(static_cast<unsigned long>(left));
    }
  }
}

void WaitMs(int ms) {
  int total = ScaledMs(ms);
  if (total <= 0) return;
  if (!WaitsRunEventLoop()) {
    SleepMs(ms);
    return;
  }
  QEventLoop loop;
  QTimer::singleShot(total, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace vorn
