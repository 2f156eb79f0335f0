#pragma once
// Who runs the work that talks to the device. The service and the console hand
// every such piece to one of these: the worker runs them strictly one at a time
// on a thread of its own; the inline runner runs them at once on the caller's
// thread (unit tests, tools without a window).
#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

class QThread;

namespace vorn {

class DeviceJobs : public QObject {
  Q_OBJECT
 public:
  using Work = std::function<void()>;
  using Done = std::function<void()>;

  explicit DeviceJobs(QObject* parent = nullptr) : QObject(parent) {}

  // `work` runs with the device to itself; `done` runs afterwards on this
  // object's thread, in the order the jobs were posted. False when refused:
  // the runner is stopping.
  virtual bool Post(const std::string& what, Work work, Done done = {}) = 0;
  // A job runs or waits, or its `done` has not started yet.
  virtual bool Busy() const = 0;
  // Takes no new jobs and drops those that wait; Idle() once the running one
  // (if any) has ended.
  virtual void Stop() = 0;
  // The pause a job makes (between retries, after a file): it blocks the
  // thread the job runs on, whichever runner runs it.
  virtual void Pause(int ms) const = 0;

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
  bool Post(const std::string& what, Work work, Done done = {}) override;
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

  bool Post(const std::string& what, Work work, Done done = {}) override;
  bool Busy() const override { return unfinished_ > 0; }
  void Stop() override;
  void Pause(int ms) const override;

 private:
  struct Job {
    std::string what;
    Work work;
    Done done;
  };
  void Loop();
  void Finished(const Done& done);

  QThread* thread_ = nullptr;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queue_;  // guarded by mutex_
  bool quit_ = false;      // guarded by mutex_
  int unfinished_ = 0;     // this object's thread only
  bool stopping_ = false;  // this object's thread only
};

// Runs f on the thread of `owner` and returns its result; at once when already
// there, else waiting for it (the owner's thread must not be waiting for the
// caller's).
template <class F>
auto CallOnThreadOf(QObject* owner, F f) -> decltype(f());

}  // namespace vorn

#include "core/DeviceJobsCall.h"
