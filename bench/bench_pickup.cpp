// Pickup latency of the real vorndrv program: a receipt file renamed into its
// folder, to the first command the simulator receives for it and to the answer
// file. The driver runs at its real pace (no time scale) with the idle
// connection test off, so every command after the rename belongs to the file.
// Between files the bench waits out the pause after a file plus a random part
// of a tick, so the files land at every phase of the driver's tick.
// With --http-clients N the driver's HTTP front is on, and N clients, each on a
// thread of its own, post 1 MB JSON bodies of nested arrays (the costliest shape
// to parse) to POST /check without a pause while the files are timed.
//
//   bench_pickup [--driver PATH] [--files N] [--address 127.0.40.x] [--http-clients N]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchLoop.h"
#include "simulator/FiscalSimulator.h"

namespace {

using vorn::bench::Pump;
using vorn::bench::WaitFor;
using vorn::bench::WriteWhole;

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t at = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(at, v.size() - 1)];
}

void Report(const char* what, const std::vector<double>& ms) {
  std::printf("%-28s n=%zu  median %.1f ms  p90 %.1f ms  min %.1f ms  max %.1f ms\n", what,
              ms.size(), Percentile(ms, 0.5), Percentile(ms, 0.9), Percentile(ms, 0.0),
              Percentile(ms, 1.0));
}

// Posts the body again and again on connections of its own until told to stop;
// counts the statuses it got.
class LoadClient {
 public:
  LoadClient(QString address, quint16 port, QByteArray request)
      : address_(std::move(address)), port_(port), request_(std::move(request)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~LoadClient() {
    stop_ = true;
    thread_.join();
  }
  std::map<int, int> Statuses() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return statuses_;
  }

 private:
  void Run() {
    while (!stop_) {
      QTcpSocket socket;
      socket.connectToHost(address_, port_);
      if (!socket.waitForConnected(5000)) continue;
      socket.write(request_);
      QByteArray reply;
      while (socket.state() == QAbstractSocket::ConnectedState && !stop_) {
        if (socket.bytesToWrite() > 0) socket.waitForBytesWritten(1000);
        if (socket.waitForReadyRead(1000)) reply += socket.readAll();
      }
      reply += socket.readAll();
      const std::lock_guard<std::mutex> lock(mutex_);
      ++statuses_[reply.startsWith("HTTP/1.1 ") ? reply.mid(9, 3).toInt() : 0];
    }
  }

  QString address_;
  quint16 port_;
  QByteArray request_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::map<int, int> statuses_;
  std::thread thread_;
};

QByteArray NestedCheckRequest(const QByteArray& key) {
  QByteArray body = R"({"lines":["1;PAINE;BUC;1;1;350;100000","5;350;1"],"x":[)";
  while (body.size() < 1024 * 1024 - 8) body += "[],";
  body += "[]]}";
  return "POST /check HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n"
         "Authorization: Bearer " +
         key + "\r\nContent-Type: application/json\r\nContent-Length: " +
         QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QString driver = QCoreApplication::applicationDirPath() + "/../app/vorndrv";
  QString address = "127.0.40.10";
  int files = 50;
  int httpClients = 0;
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == "--driver") driver = args[i + 1];
    if (args[i] == "--files") files = args[i + 1].toInt();
    if (args[i] == "--address") address = args[i + 1];
    if (args[i] == "--http-clients") httpClients = args[i + 1].toInt();
  }

  vorn::sim::FiscalSimulator sim;
  if (!sim.ListenTcp(address, 9100)) {
    std::fprintf(stderr, "cannot listen on %s:9100\n", qPrintable(address));
    return 1;
  }
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  QByteArray ini = "[Configurari]\r\nComunicatie=1\r\nIP=" + address.toLatin1() +
                   "\r\nFaraVerificareConexiune=DA\r\n";
  quint16 httpPort = 0;
  if (httpClients > 0) {
    QTcpServer probe;
    if (!probe.listen(QHostAddress(address), 0)) {
      std::fprintf(stderr, "no free port on %s\n", qPrintable(address));
      return 1;
    }
    httpPort = probe.serverPort();
    ini += "[ServerHTTP]\r\nActiv=DA\r\nAdresa=" + address.toLatin1() +
           "\r\nPort=" + QByteArray::number(httpPort) + "\r\nCheie=bench-key\r\n";
  }
  WriteWhole(folder + "XVORNDRV.INI", ini);

  QProcess proc;
  proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("VORNDRV_HOME", folder);
  env.insert("VORNDRV_HEADLESS", "1");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.remove("VORNDRV_TIME_SCALE");
  proc.setProcessEnvironment(env);
  proc.start(driver, {});
  const auto status = [&] {
    QFile f(folder + "VORNDRV.INFO");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  if (!proc.waitForStarted(10000) ||
      !WaitFor([&] { return status().contains("ConectatLaCasa=DA"); }, 20000)) {
    std::fprintf(stderr, "the driver did not connect (%s)\n", qPrintable(driver));
    return 1;
  }

  QElapsedTimer clock;
  clock.start();
  qint64 firstCommandNs = -1;
  QObject::connect(&sim, &vorn::sim::FiscalSimulator::CommandReceived, [&] {
    if (firstCommandNs < 0) firstCommandNs = clock.nsecsElapsed();
  });

  std::vector<std::unique_ptr<LoadClient>> load;
  const QByteArray request = NestedCheckRequest("bench-key");
  for (int i = 0; i < httpClients; ++i) {
    load.push_back(std::make_unique<LoadClient>(address, httpPort, request));
  }

  std::mt19937 rng(8);
  std::uniform_int_distribution<int> phase(0, 1000);
  const QByteArray receipt = "1;PAINE;BUC;1;1;350;100000\r\n5;350;1\r\n";
  std::vector<double> toCommand;
  std::vector<double> toAnswer;
  for (int i = 0; i < files; ++i) {
    Pump(1100 + phase(rng));
    const QString suffix = QString::number(i);
    const QString target = folder + "ONLINE" + suffix + ".TXT";
    const QString answer = folder + "ERROR" + suffix + ".TXT";
    WriteWhole(folder + ".part", receipt);
    firstCommandNs = -1;
    const qint64 t0 = clock.nsecsElapsed();
    QFile::rename(folder + ".part", target);
    if (!WaitFor([&] { return QFileInfo::exists(answer); }, 10000)) {
      std::fprintf(stderr, "no answer for file %d\n", i);
      return 1;
    }
    const qint64 t1 = clock.nsecsElapsed();
    if (firstCommandNs >= 0) toCommand.push_back(static_cast<double>(firstCommandNs - t0) / 1e6);
    toAnswer.push_back(static_cast<double>(t1 - t0) / 1e6);
    WaitFor([&] { return !QFileInfo::exists(target); }, 10000);
  }
  std::map<int, int> statuses;
  for (auto& client : load) {
    for (const auto& [status, count] : client->Statuses()) statuses[status] += count;
  }
  load.clear();
  proc.terminate();
  proc.waitForFinished(5000);

  std::printf("driver %s, %d files, simulator %s, %d HTTP clients\n", qPrintable(driver), files,
              qPrintable(address), httpClients);
  if (httpClients > 0) {
    std::printf("1 MB nested JSON to POST /check meanwhile, by status:");
    for (const auto& [status, count] : statuses) std::printf(" %d x%d", status, count);
    std::printf("\n");
  }
  Report("rename -> first command", toCommand);
  Report("rename -> answer file", toAnswer);
  return 0;
}
