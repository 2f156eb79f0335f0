#pragma once
// Who runs the work that talks to the device. The service and the console hand
// every such piece to one of these: the worker runs them strictly one at a time
// on a thread of its own; the inline runner runs them at once on the caller's
// thread (unit tests, tools without a window).
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "base/CallOnThread.h"

class QThread;

namespace vorn {

// How long a device job may run, in milliseconds before the time scale. From
// the link's time-outs: a reply may keep silent 5 s (10 s after a text line,
// 180 s during a report) and a frame answered NAK is sent up to 3 times. A
// device that answers the busy poll "busy", or sends a byte now and then,
// keeps the link waiting for ever: the limit tells such a job from a slow one.
namespace job_limits {
// A few exchanges: the connection test (open, status, model, journal), or none.
constexpr int64_t kShortMs = 120'000;
// A receipt file: one report's 180 s with room for the file's start and end...
constexpr int64_t kFileBaseMs = 300'000;
// ...and three sends of a 10 s text line for each line.
constexpr int64_t kFileLineMs = 30'000;
// The console's operations: reports over a period, exports of the fiscal data.
constexpr int64_t kManualMs = 1'800'000;

int64_t ForReceiptFile(int64_t lines);
}  // namespace job_limits

// A job still running past its limit.
struct OverdueJob {
  std::string what;
  int64_t startedMs = 0;  // MonotonicMs() when it started
  int64_t limitMs = 0;    // scaled
};

class DeviceJobs : public QObject {
  Q_OBJECT
 public:
  using Work = std::function<void()>;
  using Done = std::function<void()>;

  explicit DeviceJobs(QObject* parent = nullptr) : QObject(parent) {}

  // `work` runs with the device to itself; `done` runs afterwards on this
  // object's thread, in the order the jobs were posted. False when refused:
  // the runner is stopping. limitMs (unscaled, see job_limits) is how long the
  // work may take.
  virtual bool Post(const std::string& what, Work work, Done done = {},
                    int64_t limitMs = job_limits::kShortMs) = 0;
  // A job runs or waits, or its `done` has not started yet.
  virtual bool Busy() const = 0;
  // Takes no new jobs and drops those that wait; Idle() once the running one
  // (if any) has ended.
  virtual void Stop() = 0;
  // The pause a job makes (between retries, after a file): it blocks the
  // thread the job runs on, whichever runner runs it.
  virtual void Pause(int ms) const = 0;
  // The running job when it has passed its limit; from any thread. Only a
  // runner with a thread of its own can be watched while a job runs.
  virtual std::optional<OverdueJob> Overdue() const { return std::nullopt; }
  // From the running job, once it knows its size (a file it has read): its
  // limit from now on, unscaled.
  virtual void SetRunningLimit(int64_t /*limitMs*/) {}

 Q_SIGNALS:
  // Nothing runs and nothing waits (emitted after the last job's `done`).
  void Idle();
};

class InlineJobs final : public DeviceJobs {
  Q_OBJECT
 public:
  using PauseFn = std::function<void(int ms)>;
  // A test whose in-process peers answer through its event loop hands in a
  // pause that turns it; anyone else gets the plain blocking one.
  explicit InlineJobs(PauseFn pause = {}, QObject* parent = nullptr)
      : DeviceJobs(parent), pause_(std::move(pause)) {}
  bool Post(const std::string& what, Work work, Done done = {},
            int64_t limitMs = job_limits::kShortMs) override;
  bool Busy() const override { return depth_ > 0; }
  void Stop() override;
  void Pause(int ms) const override;

 private:
  PauseFn pause_;
  int depth_ = 0;
  bool stopping_ = false;
};

class DeviceWorker final : public DeviceJobs {
  Q_OBJECT
 public:
  explicit DeviceWorker(QObject* parent = nullptr);
  // Stops and waits for the thread: call once Idle() was seen, so that no job
  // is left waiting for an answer from this thread.
  ~DeviceWorker() override;

  bool Post(const std::string& what, Work work, Done done = {},
            int64_t limitMs = job_limits::kShortMs) override;
  bool Busy() const override { return unfinished_ > 0; }
  void Stop() override;
  void Pause(int ms) const override;
  std::optional<OverdueJob> Overdue() const override;
  void SetRunningLimit(int64_t limitMs) override;
  // MonotonicMs() when the running job started, 0 while none runs.
  int64_t RunningSinceMs() const { return startedMs_.load(std::memory_order_acquire); }

 private:
  struct Job {
    std::string what;
    Work work;
    Done done;
    int64_t limitMs = 0;  // scaled
  };
  void Loop();
  void Finished(const Done& done);

  QThread* thread_ = nullptr;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queue_;    // guarded by mutex_
  bool quit_ = false;        // guarded by mutex_
  std::string runningWhat_;  // guarded by mutex_
  // Written by the worker thread, read by any: the limit before the start.
  std::atomic<int64_t> startedMs_{0};
  std::atomic<int64_t> limitMs_{0};
  int unfinished_ = 0;     // this object's thread only
  bool stopping_ = false;  // this object's thread only
};

}  // namespace vorn
