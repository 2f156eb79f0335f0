// What the HTTP front adds to a receipt's time. A stand-in driver answers every
// receipt file the moment it appears (no device, no pauses), so the driver's own
// work is nil and what remains is the folder round trip. Measured both ways:
// a file dropped and its answer seen, as a desktop application does, and a
// request sent and its response read over loopback HTTP. The difference is the
// interface's share. The driver side (stand-in and front) runs on a thread of
// its own, as the driver and the application are separate programs: the work
// the front does after a response is sent (recording the answer for good) is
// then not the client's wait. The argument fills the Idempotency-Key store
// first with a busy day's answered receipts, which must not slow a request (a
// change is appended to the store, not written whole); the second sends an
// Idempotency-Key, whose record must reach the disk before the receipt is queued.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemWatcher>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Clock.h"
#include "core/Cleanup.h"
#include "core/TextFiles.h"
#include "http/HttpFront.h"
#include "http/ReceiptStore.h"

namespace {

const std::string kReceipt = "1;PAINE ALBA;BUC;1;1;350;200000\r\n5;350;1\r\n";
const std::string kAnswer = "0 OK\r\nBON FISCAL NR. 17\r\nSerie Fiscala : VRN2600123\r\n";

// Answers ONLINE<suffix>.TXT with ERROR<suffix>.TXT, then deletes the receipt, as the driver does.
class StandInDriver {
 public:
  explicit StandInDriver(const std::string& folder) : folder_(folder) {
    watcher_.addPath(QString::fromStdString(folder));
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, [this] { Answer(); });
  }

 private:
  void Answer() {
    for (const std::string& name : vorn::ListMatchingFiles(folder_, "ONLINE", "TXT")) {
      const std::string suffix = name.substr(6, name.find('.') - 6);
      std::string error;
      vorn::WriteFileWhole(folder_ + "ERROR" + suffix + ".TXT", kAnswer, error);
      QFile::remove(QString::fromStdString(folder_ + name));
    }
  }
  std::string folder_;
  QFileSystemWatcher watcher_;
};

// The machine is shared: a mean is pulled far by the odd stalled disk write or
// late wake-up, so the median and the 90th percentile are reported as well.
class Latencies {
 public:
  void Start() { clock_.start(); }
  void Stop() { ns_.push_back(clock_.nsecsElapsed()); }
  void Report(benchmark::State& state) {
    if (ns_.empty()) return;
    std::sort(ns_.begin(), ns_.end());
    state.counters["p50_ms"] = double(ns_[ns_.size() / 2]) / 1e6;
    state.counters["p90_ms"] = double(ns_[ns_.size() * 9 / 10]) / 1e6;
  }

 private:
  QElapsedTimer clock_;
  std::vector<qint64> ns_;
};

// Builds the driver side inside its own thread and runs that thread's event loop.
class DriverSide {
 public:
  explicit DriverSide(std::function<std::function<void()>()> build) {
    thread_.reset(QThread::create([this, build] {
      const std::function<void()> teardown = build();
      ready_ = true;
      QEventLoop loop;
      loop.exec();
      if (teardown) teardown();
    }));
    thread_->start();
    while (!ready_) QThread::usleep(100);
  }
  ~DriverSide() {
    thread_->quit();
    thread_->wait();
  }

 private:
  std::unique_ptr<QThread> thread_;
  std::atomic<bool> ready_{false};
};

void Drop(const std::string& folder, const std::string& suffix) {
  const QString part = QString::fromStdString(folder + ".part");
  QFile f(part);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  f.write(kReceipt.data(), qint64(kReceipt.size()));
  f.close();
  QFile::rename(part, QString::fromStdString(folder + "ONLINE" + suffix + ".TXT"));
}

void Prefill(const std::string& folder, int receipts) {
  vorn::ReceiptStore store(folder + vorn::kHttpStoreName);
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  for (int i = 0; i < receipts; ++i) {
    // Appended: a literal + a temporary trips GCC 12's -Wrestrict (bug 105651).
    std::string id = "H";
    id += std::to_string(now - i);
    std::string key = "order-";
    key += std::to_string(i);
    store.Add({id, key, QByteArray(32, 'x'), now - i, vorn::ReceiptState::Answered, kAnswer});
  }
  std::string error;
  store.Save(error);
}

void BM_FileDropToAnswer(benchmark::State& state) {
  vorn::SetTimeScale(1.0);
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString() + "/";
  DriverSide side([folder]() -> std::function<void()> {
    auto* driver = new StandInDriver(folder);
    return [driver] { delete driver; };
  });
  QFileSystemWatcher pos;
  pos.addPath(dir.path());
  int n = 0;
  Latencies latencies;
  for (auto _ : state) {
    latencies.Start();
    std::string suffix = "F";  // appended: "F" + a temporary trips GCC 12's -Wrestrict (bug 105651)
    suffix += std::to_string(n++);
    const QString answer = QString::fromStdString(folder + "ERROR" + suffix + ".TXT");
    const QString receipt = QString::fromStdString(folder + "ONLINE" + suffix + ".TXT");
    Drop(folder, suffix);
    std::string bytes;
    while (!(QFile::exists(answer) && !QFile::exists(receipt) &&
             vorn::ReadFileBytes(answer.toStdString(), bytes))) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    latencies.Stop();
    QFile::remove(answer);
  }
  latencies.Report(state);
}
BENCHMARK(BM_FileDropToAnswer)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_HttpRequestToResponse(benchmark::State& state) {
  vorn::SetTimeScale(1.0);
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString() + "/";
  Prefill(folder, static_cast<int>(state.range(0)));
  vorn::HttpSettings settings;
  settings.active = true;
  settings.address = "127.0.60.250";
  settings.port = 9180;
  settings.token = "bench-token";
  std::string error;
  quint16 port = 0;
  DriverSide side([&]() -> std::function<void()> {
    auto* driver = new StandInDriver(folder);
    auto* front = new vorn::HttpFront(folder, settings);
    if (front->Start(error)) port = front->Port();
    return [driver, front] {
      delete front;
      delete driver;
    };
  });
  if (port == 0) {
    state.SkipWithError(error.c_str());
    return;
  }
  QTcpSocket socket;
  socket.connectToHost(QString::fromStdString(settings.address), port);
  if (!socket.waitForConnected(5000)) {
    state.SkipWithError("no connection");
    return;
  }
  const bool keyed = state.range(1) != 0;
  int n = 0;
  bool allOk = true;
  Latencies latencies;
  for (auto _ : state) {
    QByteArray request =
        "POST /receipts HTTP/1.1\r\nHost: 127.0.60.250\r\nAuthorization: Bearer bench-token\r\n"
        "Content-Type: text/plain\r\nContent-Length: " +
        QByteArray::number(qsizetype(kReceipt.size())) + "\r\n";
    if (keyed) request += "Idempotency-Key: bench-" + QByteArray::number(n++) + "\r\n";
    request += "\r\n" + QByteArray::fromStdString(kReceipt);
    latencies.Start();
    socket.write(request);
    socket.waitForBytesWritten(1000);
    QByteArray got;
    for (;;) {
      got += socket.readAll();
      const qsizetype end = got.indexOf("\r\n\r\n");
      const qsizetype at = got.indexOf("Content-Length: ");
      if (end > 0 && at > 0 && got.size() >= end + 4 + got.mid(at + 16, 8).split('\r')[0].toInt()) {
        break;
      }
      socket.waitForReadyRead(1000);
    }
    latencies.Stop();
    allOk = allOk && got.startsWith("HTTP/1.1 200") && got.contains("\"ok\":true");
  }
  latencies.Report(state);
  if (!allOk) state.SkipWithError("a response was not 200 with ok true");
}
BENCHMARK(BM_HttpRequestToResponse)
    ->Args({0, 0})
    ->Args({2000, 0})
    ->Args({2000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(400);  // the store grows by one receipt each time

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
