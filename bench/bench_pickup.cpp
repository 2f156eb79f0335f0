// Pickup latency of the real vorndrv program: a receipt file renamed into its
// folder, to the first command the simulator receives for it and to the answer
// file. The driver runs at its real pace (no time scale) with the idle
// connection test off, so every command after the rename belongs to the file.
// Between files the bench waits out the pause after a file plus a random part
// of a tick, so the files land at every phase of the driver's tick.
//
//   bench_pickup [--driver PATH] [--files N] [--address 127.0.40.x]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
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

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QString driver = QCoreApplication::applicationDirPath() + "/../app/vorndrv";
  QString address = "127.0.40.10";
  int files = 50;
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == "--driver") driver = args[i + 1];
    if (args[i] == "--files") files = args[i + 1].toInt();
    if (args[i] == "--address") address = args[i + 1];
  }

  vorn::sim::FiscalSimulator sim;
  if (!sim.ListenTcp(address, 9100)) {
    std::fprintf(stderr, "cannot listen on %s:9100\n", qPrintable(address));
    return 1;
  }
  QTemporaryDir dir;
  const QString folder = dir.path() + "/";
  WriteWhole(folder + "XVORNDRV.INI", "[Configurari]\r\nComunicatie=1\r\nIP=" + address.toLatin1() +
                                          "\r\nFaraVerificareConexiune=DA\r\n");

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
  proc.terminate();
  proc.waitForFinished(5000);

  std::printf("driver %s, %d files, simulator %s\n", qPrintable(driver), files,
              qPrintable(address));
  Report("rename -> first command", toCommand);
  Report("rename -> answer file", toAnswer);
  return 0;
}
