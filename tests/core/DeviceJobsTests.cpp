#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "core/ConnectionState.h"
#include "core/DeviceJobs.h"
#include "tests/PumpUntil.h"

namespace vorn {
namespace {

// A gate a job waits at until the test opens it.
struct Gate {
  std::mutex m;
  std::condition_variable cv;
  bool open = false;
  std::atomic<bool> reached{false};
  void Wait() {
    reached = true;
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return open; });
  }
  void Open() {
    {
      const std::lock_guard lock(m);
      open = true;
    }
    cv.notify_all();
  }
};

TEST(DeviceWorker, RunsJobsOneAtATimeInOrderOffTheMainThreadAndDoneBackOnIt) {
  DeviceWorker worker;
  std::mutex m;
  std::vector<std::string> order;
  std::atomic<int> running{0};
  std::atomic<int> overlap{0};
  std::vector<bool> doneOnMain;
  int idle = 0;
  QObject::connect(&worker, &DeviceJobs::Idle, [&] { ++idle; });
  for (int i = 0; i < 5; ++i) {
    worker.Post(
        "job",
        [&, i] {
          if (running.fetch_add(1) != 0) ++overlap;
          QThread::msleep(5);
          const std::lock_guard lock(m);
          order.push_back("work" + std::to_string(i) +
                          (QThread::currentThread() == qApp->thread() ? "@main" : ""));
          running.fetch_sub(1);
        },
        [&, i] {
          doneOnMain.push_back(QThread::currentThread() == qApp->thread());
          // The next job's work may be pushing at this very moment.
          const std::lock_guard lock(m);
          order.push_back("done" + std::to_string(i));
        });
  }
  EXPECT_TRUE(worker.Busy());
  ASSERT_TRUE(PumpUntil([&] { return !worker.Busy(); }));
  EXPECT_EQ(overlap, 0);
  std::vector<std::string> works;
  std::vector<std::string> dones;
  for (const std::string& s : order) (s.rfind("work", 0) == 0 ? works : dones).push_back(s);
  EXPECT_EQ(works, (std::vector<std::string>{"work0", "work1", "work2", "work3", "work4"}));
  EXPECT_EQ(dones, (std::vector<std::string>{"done0", "done1", "done2", "done3", "done4"}));
  EXPECT_EQ(doneOnMain, std::vector<bool>(5, true));
  EXPECT_GE(idle, 1);
}

TEST(DeviceWorker, StopLetsTheRunningJobEndDropsTheWaitingOnesAndRefusesNewOnes) {
  DeviceWorker worker;
  Gate gate;
  bool firstDone = false;
  bool secondRan = false;
  bool idle = false;
  QObject::connect(&worker, &DeviceJobs::Idle, [&] { idle = true; });
  worker.Post(
      "held", [&] { gate.Wait(); }, [&] { firstDone = true; });
  worker.Post("waiting", [&] { secondRan = true; });
  ASSERT_TRUE(PumpUntil([&] { return gate.reached.load(); }));
  worker.Stop();
  EXPECT_FALSE(worker.Post("late", [] {}));
  QCoreApplication::processEvents();
  EXPECT_FALSE(idle);  // the held job still runs
  gate.Open();
  ASSERT_TRUE(PumpUntil([&] { return idle; }));
  EXPECT_TRUE(firstDone);
  EXPECT_FALSE(secondRan);
  EXPECT_FALSE(worker.Busy());
}

TEST(DeviceWorker, AJobThatThrowsDoesNotEndTheThread) {
  DeviceWorker worker;
  bool after = false;
  bool doneOfThrown = false;
  worker.Post(
      "throws", [] { throw std::runtime_error("x"); }, [&] { doneOfThrown = true; });
  worker.Post("after", [&] { after = true; });
  ASSERT_TRUE(PumpUntil([&] { return !worker.Busy(); }));
  EXPECT_TRUE(doneOfThrown);
  EXPECT_TRUE(after);
}

TEST(DeviceWorker, AQuestionFromAJobIsAnsweredOnTheMainThread) {
  DeviceWorker worker;
  QObject owner;
  bool askedOnMain = false;
  int answer = 0;
  worker.Post("asks", [&] {
    answer = CallOnThreadOf(&owner, [&] {
      askedOnMain = QThread::currentThread() == owner.thread();
      return 42;
    });
  });
  ASSERT_TRUE(PumpUntil([&] { return !worker.Busy(); }));
  EXPECT_TRUE(askedOnMain);
  EXPECT_EQ(answer, 42);
}

// The time scale of the process, restored on leaving.
struct ScaleScope {
  explicit ScaleScope(double scale) : before(TimeScale()) { SetTimeScale(scale); }
  ~ScaleScope() { SetTimeScale(before); }
  ScaleScope(const ScaleScope&) = delete;
  ScaleScope& operator=(const ScaleScope&) = delete;
  double before;
};

TEST(DeviceWorker, AJobHeldPastItsScaledLimitIsOverdueUntilItEnds) {
  // The short job limit comes down to a few milliseconds.
  const ScaleScope scale(0.0001);
  DeviceWorker worker;
  EXPECT_FALSE(worker.Overdue().has_value());  // idle
  EXPECT_EQ(worker.RunningSinceMs(), 0);
  Gate gate;
  worker.Post(
      "fisierul ONLINE_1.TXT", [&] { gate.Wait(); }, {}, job_limits::kShortMs);
  ASSERT_TRUE(PumpUntil([&] { return worker.Overdue().has_value(); }));
  const OverdueJob job = *worker.Overdue();
  EXPECT_EQ(job.what, "fisierul ONLINE_1.TXT");
  EXPECT_EQ(job.limitMs, 12);
  EXPECT_EQ(job.startedMs, worker.RunningSinceMs());
  gate.Open();
  ASSERT_TRUE(PumpUntil([&] { return !worker.Busy(); }));
  EXPECT_FALSE(worker.Overdue().has_value());
  EXPECT_EQ(worker.RunningSinceMs(), 0);
}

TEST(DeviceWorker, AJobWithinItsLimitIsNotOverdue) {
  DeviceWorker worker;
  Gate gate;
  worker.Post(
      "fisierul ONLINE_2.TXT", [&] { gate.Wait(); }, {}, job_limits::ForReceiptFile(3));
  ASSERT_TRUE(PumpUntil([&] { return gate.reached.load(); }));
  EXPECT_GT(worker.RunningSinceMs(), 0);
  EXPECT_FALSE(worker.Overdue().has_value());
  gate.Open();
  ASSERT_TRUE(PumpUntil([&] { return !worker.Busy(); }));
}

TEST(DeviceWorker, ARunningJobsOwnLimitReplacesThePostedOne) {
  const ScaleScope scale(0.0001);
  DeviceWorker worker;
  Gate gate;
  // Posted long (a file not yet read), then the job learns it is short.
  worker.Post(
      "fisierul ONLINE_3.TXT",
      [&] {
        worker.SetRunningLimit(job_limits::kShortMs);
        gate.Wait();
      },
      {}, job_limits::kManualMs * 1000);
  ASSERT_TRUE(PumpUntil([&] { return worker.Overdue().has_value(); }));
  EXPECT_EQ(worker.Overdue()->limitMs, 12);
  gate.Open();
  ASSERT_TRUE(PumpUntil([&] { return !worker.Busy(); }));
}

TEST(JobLimits, AReceiptFileGetsMoreTimeForMoreLinesYetAlwaysAFiniteLimit) {
  const struct {
    int64_t lines;
    int64_t atLeastMs;  // one report's 180 s, and a 10 s line three times over per line
  } cases[] = {{0, 180'000}, {1, 210'000}, {50, 1'680'000}, {-5, 180'000}};
  for (const auto& c : cases) EXPECT_GE(job_limits::ForReceiptFile(c.lines), c.atLeastMs);
  EXPECT_GT(job_limits::ForReceiptFile(50), job_limits::ForReceiptFile(1));
  // A huge file must not overflow into a negative or a short limit.
  const int64_t huge = job_limits::ForReceiptFile(INT64_MAX / 2);
  EXPECT_GE(huge, job_limits::ForReceiptFile(10'000));
  EXPECT_LT(huge, int64_t{1} << 40);
}

TEST(InlineJobs, RunWorkThenDoneAtOnceAndAreNotBusyInDone) {
  InlineJobs jobs;
  std::vector<std::string> order;
  bool busyInDone = true;
  jobs.Post(
      "x", [&] { order.push_back("work"); },
      [&] {
        busyInDone = jobs.Busy();
        order.push_back("done");
      });
  EXPECT_EQ(order, (std::vector<std::string>{"work", "done"}));
  EXPECT_FALSE(busyInDone);
  jobs.Stop();
  EXPECT_FALSE(jobs.Post("y", [&] { order.push_back("late"); }));
  EXPECT_EQ(order.size(), 2u);
}

TEST(ConnectionState, LogsAChangeOrANewReasonOnlyOnce) {
  ConnectionState state;
  ConnectionProbe refused;
  refused.systemDetail = "conexiune refuzata";
  ConnectionProbe closed;
  closed.systemDetail = "conexiune inchisa";
  ConnectionProbe up;
  up.opened = true;
  up.connected = true;
  up.modelText = "VORN XM4";
  const struct {
    const ConnectionProbe* probe;
    std::string line;
  } steps[] = {
      {&refused, "casa de marcat nu raspunde (conexiune refuzata)"},
      {&refused, ""},
      {&closed, "casa de marcat nu raspunde (conexiune inchisa)"},
      {&up, "conectat la casa de marcat (VORN XM4)"},
      {&up, ""},
      {&refused, "casa de marcat nu raspunde (conexiune refuzata)"},
  };
  for (const auto& step : steps) EXPECT_EQ(state.Apply(*step.probe), step.line);
  EXPECT_TRUE(state.Tested());
  EXPECT_FALSE(state.Connected());
}

}  // namespace
}  // namespace vorn
