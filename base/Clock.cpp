#include "base/Clock.h"

#include <QThread>
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

void WaitMs(int ms) {
  const int total = ScaledMs(ms);
  if (total > 0) QThread::msleep(static_cast<unsigned long>(total));
}

}  // namespace vorn
