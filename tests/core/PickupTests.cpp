#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>

#include "TestFiles.h"
#include "base/Clock.h"
#include "core/FolderWatcher.h"
#include "core/ServiceCore.h"
#include "tests/PumpUntil.h"

namespace vorn {
namespace {

using namespace vorn::test;

class FakeWatcher : public FolderWatcher {
 public:
  bool Active() const override { return true; }
  void Report(const std::string& name) { Q_EMIT FileCompleted(name); }
  void ReportChange(const std::string& name) { Q_EMIT FileChanged(name); }
};

// Notes whether the event loop ran between the pickup and the run of each file:
// a settle wait serves events, a file reported complete goes straight through.
class OrderExecutor : public FileExecutor {
 public:
  bool PrepareDeviceForFile(FileContext&) override { return true; }
  bool ExecuteFile(FileContext& ctx) override {
    loopRanBeforeRun.push_back(loopRan);
    if (onRun) std::exchange(onRun, nullptr)();
    ctx.answer.message = "0 OK";
    return true;
  }
  void ReleaseLink(FileContext&) override {}

  bool loopRan = false;
  std::vector<bool> loopRanBeforeRun;
  std::function<void()> onRun;
};

class Pickup : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTimeScale(0.02);
    w = dir.path().toStdString() + "/";
    WriteBytes(w + "XVORNDRV.INI", "[Configurari]\r\nFaraVerificareConexiune=DA\r\n");
    core = std::make_unique<ServiceCore>(w);
    core->SetExecutor(&exec);
    core->SetFolderWatcher(&watcher);
    core->SetDeviceJobs(&jobs);
    core->SetConnectionTester([](const Settings&, bool) {
      ConnectionProbe p;
      p.opened = p.connected = true;
      return p;
    });
    core->LoadConfiguration();
    core->TestConnection();
  }
  void TearDown() override { SetTimeScale(1.0); }

  // Processing on, with a tick that never comes during the test.
  void StartWithoutTick() {
    core->Tprocessor().setInterval(3600 * 1000);
    core->Tprocessor().start();
  }
  // Written just now, so only a report of completion spares the settle wait.
  void WriteFresh(const std::string& name) {
    WriteBytes(w + name, "30\r\n");
    MakeFresh(name);
    QTimer::singleShot(0, &watcher, [this] { exec.loopRan = true; });
  }
  // A time stamp ahead of the clock: the file stays "just written" however
  // slowly a busy machine reaches the look (the scaled settle wait is 6 ms).
  void MakeFresh(const std::string& name) {
    QFile f(Q(w + name));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(3600),
                              QFileDevice::FileModificationTime));
  }

  QTemporaryDir dir;
  std::string w;
  FakeWatcher watcher;
  OrderExecutor exec;
  // Its peers (timers, writers) answer through this thread's event loop during a pause.
  InlineJobs jobs{[](int ms) { PumpFor(ms); }};
  std::unique_ptr<ServiceCore> core;
};

TEST_F(Pickup, ReportedFileIsTakenAtOnceWithoutSettleWait) {
  StartWithoutTick();
  WriteFresh("ONLINE1.TXT");
  watcher.Report("ONLINE1.TXT");
  // Done within the report: no tick and no event served before the run.
  EXPECT_EQ(ReadBytes(w + "ERROR1.TXT"), "0 OK\r\n");
  EXPECT_FALSE(Exists(w + "ONLINE1.TXT"));
  EXPECT_EQ(exec.loopRanBeforeRun, std::vector<bool>{false});
}

TEST_F(Pickup, OnlyReceiptNamesAndOnlyWhileProcessingStartAStep) {
  WriteFresh("ONLINE2.TXT");
  watcher.Report("ONLINE2.TXT");  // processing is off
  StartWithoutTick();
  for (const char* other : {"ERROR2.TXT", "ONLINE2.TMP", "XVORNDRV.INI", "missing.txt"}) {
    watcher.Report(other);
  }
  EXPECT_TRUE(exec.loopRanBeforeRun.empty());
  EXPECT_TRUE(Exists(w + "ONLINE2.TXT"));
}

TEST_F(Pickup, FileMadeOrWrittenIsTakenAtOnceUnderTheSettleWait) {
  StartWithoutTick();
  watcher.ReportChange("ERROR6.TXT");  // the driver's own answer
  WriteFresh("ONLINE6.TXT");
  EXPECT_TRUE(exec.loopRanBeforeRun.empty());
  watcher.ReportChange("ONLINE6.TXT");
  // Within the report, yet only once the file held still: its writer may not be done.
  EXPECT_EQ(ReadBytes(w + "ERROR6.TXT"), "0 OK\r\n");
  EXPECT_EQ(exec.loopRanBeforeRun, std::vector<bool>{true});
}

TEST_F(Pickup, FileChangedAfterItsReportWaitsToSettle) {
  struct Case {
    bool changed;
    bool waits;
  };
  for (const Case c : {Case{false, false}, Case{true, true}}) {
    exec.loopRanBeforeRun.clear();
    exec.loopRan = false;
    WriteFresh("ONLINE3.TXT");
    watcher.Report("ONLINE3.TXT");  // recorded; processing is off
    if (c.changed) {
      QFile f(Q(w + "ONLINE3.TXT"));
      ASSERT_TRUE(f.open(QIODevice::Append));
      f.write("\r\n");
      f.close();
      MakeFresh("ONLINE3.TXT");
    }
    core->TprocessorTimer();
    EXPECT_EQ(exec.loopRanBeforeRun, std::vector<bool>{c.waits}) << c.changed;
  }
}

TEST_F(Pickup, FileArrivingDuringThePauseIsTakenRightAfterIt) {
  StartWithoutTick();
  exec.onRun = [this] {
    // Served during the pause after this file.
    QTimer::singleShot(0, &watcher, [this] {
      WriteBytes(w + "ONLINE5.TXT", "30\r\n");
      watcher.Report("ONLINE5.TXT");
      EXPECT_TRUE(Exists(w + "ONLINE5.TXT"));  // not while the pause lasts
    });
  };
  WriteFresh("ONLINE4.TXT");
  watcher.Report("ONLINE4.TXT");
  EXPECT_EQ(ReadBytes(w + "ERROR4.TXT"), "0 OK\r\n");
  EXPECT_TRUE(PumpUntil([&] { return Exists(w + "ERROR5.TXT"); }));
  EXPECT_EQ(exec.loopRanBeforeRun.size(), 2u);
}

#ifdef __linux__
TEST(FolderWatcher, ReportsFilesRenamedInOrClosedAfterWriting) {
  QTemporaryDir dir;
  const std::string w = dir.path().toStdString() + "/";
  const auto watcher = CreateFolderWatcher(w);
  ASSERT_TRUE(watcher->Active());
  std::vector<std::string> seen;
  QObject::connect(watcher.get(), &FolderWatcher::FileCompleted,
                   [&](const std::string& name) { seen.push_back(name); });
  const QString outside = QDir::tempPath() + "/pickup-test-" + QString::number(getpid());
  WriteBytes(outside.toStdString(), "30\r\n");
  QDir().mkdir(Q(w + "sub"));
  WriteBytes(w + "sub/ONLINE.TXT", "30\r\n");  // a subfolder is not watched
  ASSERT_TRUE(QFile::rename(outside, Q(w + "ONLINEA.TXT")));
  WriteBytes(w + "ONLINEB.TXT", "30\r\n");
  EXPECT_TRUE(PumpUntil([&] { return seen.size() >= 2; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"ONLINEA.TXT", "ONLINEB.TXT"}));
  const auto missing = CreateFolderWatcher(w + "missing/");
  EXPECT_FALSE(missing->Active());
  // The log says why pickup fell back to the tick.
  EXPECT_EQ(missing->InactiveReason().rfind("inotify_add_watch: ", 0), 0u);
  EXPECT_EQ(watcher->InactiveReason(), "");
}
#endif

#ifdef _WIN32
TEST(FolderWatcher, ReportsRenamesAsCompleteAndOtherWritesAsChanges) {
  QTemporaryDir dir;
  const std::string w = dir.path().toStdString() + "/";
  const auto watcher = CreateFolderWatcher(w);
  ASSERT_TRUE(watcher->Active());
  std::vector<std::string> complete, changed;
  QObject::connect(watcher.get(), &FolderWatcher::FileCompleted,
                   [&](const std::string& name) { complete.push_back(name); });
  QObject::connect(watcher.get(), &FolderWatcher::FileChanged,
                   [&](const std::string& name) { changed.push_back(name); });
  const auto seen = [&](const std::string& name) {
    return std::find(changed.begin(), changed.end(), name) != changed.end();
  };
  QDir().mkdir(Q(w + "sub"));
  WriteBytes(w + "sub/ONLINE.TXT", "30\r\n");  // a subfolder is not watched
  WriteBytes(w + "ONLINEA.PART", "30\r\n");
  ASSERT_TRUE(QFile::rename(Q(w + "ONLINEA.PART"), Q(w + "ONLINEA.TXT")));
  WriteBytes(w + "ONLINEB.TXT", "30\r\n");
  EXPECT_TRUE(PumpUntil([&] { return !complete.empty() && seen("ONLINEB.TXT"); }));
  EXPECT_EQ(complete, std::vector<std::string>{"ONLINEA.TXT"});
  EXPECT_FALSE(seen("ONLINE.TXT"));
  const auto missing = CreateFolderWatcher(w + "missing/");
  EXPECT_FALSE(missing->Active());
  EXPECT_EQ(missing->InactiveReason().rfind("CreateFileW: ", 0), 0u);
  EXPECT_EQ(watcher->InactiveReason(), "");
}
#endif

}  // namespace
}  // namespace vorn
