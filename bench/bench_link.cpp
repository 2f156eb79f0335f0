// Device link throughput over loopback TCP: the cost of a link object's life
// (create, open, close, free), command round trips, and one length-prefixed
// export of 3.9 MB.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <memory>
#include <string>

#include "base/CallOnThread.h"
#include "device/TXvornLinux.h"
#include "simulator/FiscalSimulator.h"
#include "tests/device/FakeDevice.h"

namespace {

using vorn::test::Reply;

// A lean scripted device on a thread of its own (the link blocks this one):
// answers the model query, the export file request with a length-prefixed
// file, and everything else with an empty payload.
class Responder : public QObject {
 public:
  explicit Responder(size_t exportSize) {
    file_.reserve(exportSize + 20);
    file_ += '\x06';
    for (int shift = 24; shift >= 0; shift -= 8)
      file_ += static_cast<char>((exportSize >> shift) & 0xff);
    for (size_t i = 0; i < exportSize; ++i) file_ += static_cast<char>('A' + i % 26);
    file_ += std::string(15, '\x03');
    thread_.start();
    moveToThread(&thread_);
    port_ = vorn::CallOnThreadOf(this, [this] {
      server_ = new QTcpServer(this);
      server_->listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
      QObject::connect(server_, &QTcpServer::newConnection, server_, [this] {
        while (QTcpSocket* s = server_->nextPendingConnection()) {
          QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
          QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { OnRead(s); });
        }
      });
      return server_->serverPort();
    });
  }
  ~Responder() override {
    vorn::CallOnThreadOf(this, [this] { delete server_; });
    thread_.quit();
    thread_.wait();
  }
  quint16 Port() const { return port_; }

 private:
  void OnRead(QTcpSocket* s) {
    buffer_ += s->readAll().toStdString();
    size_t etx;
    while ((etx = buffer_.find('\x03')) != std::string::npos) {
      const std::string frame = buffer_.substr(0, etx + 1);
      buffer_.erase(0, etx + 1);
      const size_t stx = frame.find('\x02');
      const std::string cmd = stx != std::string::npos && frame.size() >= stx + 7
                                  ? frame.substr(stx + 4, frame.size() - stx - 7)
                                  : std::string();
      if (cmd == "1013")
        s->write(QByteArray::fromStdString(Reply("BENCH M4")));
      else if (cmd == "7404")
        s->write(file_.data(), static_cast<qint64>(file_.size()));
      else
        s->write(QByteArray::fromStdString(Reply("")));
      s->flush();
    }
  }

  QThread thread_;
  quint16 port_ = 0;
  QTcpServer* server_ = nullptr;  // on thread_, as everything below
  std::string buffer_;
  std::string file_;
};

void BM_LinkLifeCycle(benchmark::State& state) {
  Responder device(16);
  for (auto _ : state) {
    auto link = std::make_unique<vorn::TXvornLinux>(true, false);
    link->SetTcpPort(device.Port());
    if (!link->OpenLink(1, 0, "127.0.0.1")) state.SkipWithError("open failed");
    link->CloseLink();
    link.reset();
  }
}
BENCHMARK(BM_LinkLifeCycle)->Unit(benchmark::kMicrosecond);

void RoundTrips(benchmark::State& state, quint16 port) {
  vorn::TXvornLinux link(true, false);
  link.SetTcpPort(port);
  if (!link.OpenLink(1, 0, "127.0.0.1")) {
    state.SkipWithError("open failed");
    return;
  }
  int64_t n = 0;
  for (auto _ : state) {
    const vorn::LinkStatus done = link.Subtotal();
    if (!done && done.error.code == 8048) state.SkipWithError("no reply");
    if (++n % 4096 == 0) link.TakeCommLog();
  }
  state.SetItemsProcessed(n);
}

void BM_RoundTripScripted(benchmark::State& state) {
  Responder device(16);
  RoundTrips(state, device.Port());
}
BENCHMARK(BM_RoundTripScripted)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_RoundTripSimulator(benchmark::State& state) {
  vorn::sim::FiscalSimulator sim;
  sim.StartOwnThread();
  if (!sim.ListenTcp(QStringLiteral("127.0.0.1"), 0)) {
    state.SkipWithError("simulator did not listen");
    return;
  }
  RoundTrips(state, sim.TcpPort());
}
BENCHMARK(BM_RoundTripSimulator)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Export3_9MB(benchmark::State& state) {
  const size_t size = 3900000;
  Responder device(size);
  vorn::TXvornLinux link(true, false);
  link.SetTcpPort(device.Port());
  if (!link.OpenLink(1, 0, "127.0.0.1")) {
    state.SkipWithError("open failed");
    return;
  }
  for (auto _ : state) {
    const vorn::LinkStatus read = link.ReadExportFile();
    if (!read) state.SkipWithError(read.error.text.c_str());
    benchmark::DoNotOptimize(link.ExportFileBytes());
    link.TakeCommLog();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}
BENCHMARK(BM_Export3_9MB)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
