#include "core/DeviceJobs.h"

#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

#include "base/Clock.h"
#include "base/QueuedHandOff.h"

namespace vorn {

namespace {

void RunGuarded(const std::string& what, const DeviceJobs::Work& work) {
  if (!work) return;
  // A job's own errors are answered inside it; what escapes must not end the
  // thread that owns the device.
  try {
    work();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vorndrv: EROARE: %s: %s\n", what.c_str(), e.what());
  } catch (...) {
    std::fprintf(stderr, "vorndrv: EROARE: %s: eroare necunoscuta\n", what.c_str());
  }
}

int64_t ScaledLimitMs(int64_t ms) {
  return std::max<int64_t>(1, std::llround(static_cast<double>(ms) * TimeScale()));
}

}  // namespace

int64_t job_limits::ForReceiptFile(int64_t lines) {
  // Far beyond any receipt; keeps the product finite.
  constexpr int64_t kMostLines = 100'000;
  return kFileBaseMs + std::clamp<int64_t>(lines, 0, kMostLines) * kFileLineMs;
}

// ---------------------------------------------------------------- inline

bool InlineJobs::Post(const std::string& what, Work work, Done done, int64_t /*limitMs*/) {
  if (stopping_) return false;
  ++depth_;
  RunGuarded(what, work);
  --depth_;
  if (done) done();
  if (depth_ == 0) Q_EMIT Idle();
  return true;
}

void InlineJobs::Stop() {
  stopping_ = true;
  if (depth_ == 0) Q_EMIT Idle();
}

void InlineJobs::Pause(int ms) const {
  if (pause_) {
    pause_(ms);
  } else {
    WaitMs(ms);
  }
}

// ---------------------------------------------------------------- worker thread

DeviceWorker::DeviceWorker(QObject* parent) : DeviceJobs(parent) {
  // QThread::wait does not always pass through what TSan sees (the thread may be done already).
  thread_ = QThread::create([this] {
    Loop();
    HandOffSent(&thread_);
  });
  thread_->setObjectName(QStringLiteral("casa de marcat"));
  thread_->start();
}

DeviceWorker::~DeviceWorker() {
  {
    const std::lock_guard lock(mutex_);
    quit_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  thread_->wait();
  HandOffReceived(&thread_);
  delete thread_;
}

void DeviceWorker::Pause(int ms) const { WaitMs(ms); }

bool DeviceWorker::Post(const std::string& what, Work work, Done done, int64_t limitMs) {
  if (stopping_) return false;
  ++unfinished_;
  {
    const std::lock_guard lock(mutex_);
    queue_.push_back(Job{what, std::move(work), std::move(done), ScaledLimitMs(limitMs)});
  }
  wake_.notify_one();
  return true;
}

void DeviceWorker::Stop() {
  if (stopping_) return;
  stopping_ = true;
  size_t dropped = 0;
  {
    const std::lock_guard lock(mutex_);
    dropped = queue_.size();
    for (const Job& job : queue_)
      std::fprintf(stderr, "vorndrv: renunt la: %s\n", job.what.c_str());
    queue_.clear();
  }
  unfinished_ -= static_cast<int>(dropped);
  // From the event loop, so that the caller finishes what it does first.
  if (unfinished_ == 0)
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT Idle(); }, Qt::QueuedConnection);
}

void DeviceWorker::Loop() {
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return quit_ || !queue_.empty(); });
      if (quit_) return;
      job = std::move(queue_.front());
      queue_.pop_front();
      runningWhat_ = job.what;
    }
    limitMs_.store(job.limitMs, std::memory_order_relaxed);
    startedMs_.store(std::max<int64_t>(1, MonotonicMs()), std::memory_order_release);
    RunGuarded(job.what, job.work);
    startedMs_.store(0, std::memory_order_release);
    QMetaObject::invokeMethod(this, Queued([this, done = std::move(job.done)] { Finished(done); }),
                              Qt::QueuedConnection);
  }
}

void DeviceWorker::SetRunningLimit(int64_t limitMs) {
  limitMs_.store(ScaledLimitMs(limitMs), std::memory_order_relaxed);
}

std::optional<OverdueJob> DeviceWorker::Overdue() const {
  const int64_t started = startedMs_.load(std::memory_order_acquire);
  if (started == 0) return std::nullopt;
  const int64_t limit = limitMs_.load(std::memory_order_relaxed);
  if (MonotonicMs() - started <= limit) return std::nullopt;
  OverdueJob job{{}, started, limit};
  {
    const std::lock_guard lock(mutex_);
    job.what = runningWhat_;
  }
  // The job ended or another began while this was read.
  if (startedMs_.load(std::memory_order_acquire) != started) return std::nullopt;
  return job;
}

void DeviceWorker::Finished(const Done& done) {
  // Not busy any more while `done` runs, unless more jobs wait: what it starts
  // may run at once.
  --unfinished_;
  if (done) done();
  if (unfinished_ == 0) Q_EMIT Idle();
}

}  // namespace vorn
