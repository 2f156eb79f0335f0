// The driver's own work for one 30-line receipt against the simulator over
// loopback TCP: from pickup (reading the file) to the answer written. The
// fixed pauses of the processing cycle (the tick, the pause after a file) lie
// outside ProcessReceiptFile and are not counted.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "base/Clock.h"
#include "core/DeviceProbe.h"
#include "core/HeadlessQuestions.h"
#include "core/ServiceCore.h"
#include "execution/ReceiptExecutor.h"
#include "simulator/FiscalSimulator.h"

namespace {

std::string ThirtyLineReceipt() {
  std::string text;
  int64_t total = 0;
  for (int i = 1; i <= 28; ++i) {
    const int price = 100 + i;
    char line[96];
    std::snprintf(line, sizeof line, "1;ARTICOL DE TEST %02d;BUC;1;%d;%d;100000\r\n", i, 1 + i % 2,
                  price);
    text += line;
    total += price;
  }
  text += "8\r\n";
  text += "5;" + std::to_string(total) + ";1\r\n";
  return text;
}

void WriteFile(const QString& path, const std::string& bytes, qint64 ageMs) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
  // Old enough to count as finished by its writer: no settle wait.
  f.setFileTime(QDateTime::currentDateTime().addMSecs(-ageMs), QFileDevice::FileModificationTime);
}

void BM_ProcessReceiptFile30Lines(benchmark::State& state) {
  vorn::SetTimeScale(0.01);
  QTemporaryDir dir;
  vorn::sim::FiscalSimulator sim;
  sim.StartOwnThread();  // the core's inline jobs block this thread on the link
  std::string address;
  for (int x = 200; x < 250 && address.empty(); ++x) {
    const std::string a = "127.0.0." + std::to_string(x);
    if (sim.ListenTcp(QString::fromStdString(a), 9100)) address = a;
  }
  if (address.empty()) {
    state.SkipWithError("no free loopback address for the simulator");
    return;
  }
  const std::string folder = dir.path().toStdString() + "/";
  WriteFile(QString::fromStdString(folder + "XVORNDRV.INI"),
            "[Configurari]\r\nComunicatie=1\r\nIP=" + address + "\r\nLogFile=NU\r\n", 0);

  vorn::ReceiptExecutor executor;
  vorn::HeadlessQuestions questions;
  vorn::ServiceCore core(folder);
  core.SetExecutor(&executor);
  core.SetQuestions(&questions);
  core.SetConnectionTester(vorn::ProbeDevice);
  core.LoadConfiguration();
  core.TestConnection();
  if (!core.IsConnected()) {
    state.SkipWithError("the simulator did not answer");
    return;
  }

  const std::string receipt = ThirtyLineReceipt();
  const QString receiptPath = QString::fromStdString(folder + "ONLINEB.TXT");
  for (auto _ : state) {
    state.PauseTiming();
    WriteFile(receiptPath, receipt, 2000);
    state.ResumeTiming();
    core.ProcessReceiptFile("ONLINEB.TXT");
    state.PauseTiming();
    QFile::remove(receiptPath);
    state.ResumeTiming();
  }
  QFile answer(QString::fromStdString(folder) + "ERROR.TXT");
  QFile answerB(QString::fromStdString(folder) + "ERRORB.TXT");
  std::string text;
  if (answer.open(QIODevice::ReadOnly)) text = answer.readAll().toStdString();
  if (answerB.open(QIODevice::ReadOnly)) text = answerB.readAll().toStdString();
  if (text.rfind("0 OK", 0) != 0) state.SkipWithError(("answer: " + text).c_str());
  state.counters["receipts"] = sim.ReceiptsPrinted();
}
BENCHMARK(BM_ProcessReceiptFile30Lines)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
