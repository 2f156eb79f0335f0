// How late a timer on the driver's main thread fires while the device is
// worked. Every 10 ms a timer notes its lateness during (a) a 30-line receipt,
// (b) a receipt whose reply the device holds for 5 s, (c) a logo upload. The
// service is wired as the driver wires it, device work on a DeviceWorker; the
// device is vorn-sim in a process of its own, so only the driver's work can
// delay the timer.
//
//   bench_gui_latency [--sim PATH] [--address 127.0.40.x]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/DriverAssembly.h"
#include "bench/BenchLoop.h"
#include "core/DeviceJobs.h"
#include "core/ServiceCore.h"
#include "operations/LogoUpload.h"

namespace {

using vorn::bench::Pump;
using vorn::bench::WaitFor;
using vorn::bench::WriteWhole;

constexpr int kTickMs = 10;

// A line to the simulator's control channel and its one-line reply; from any thread.
std::string Control(const std::string& address, int port, const std::string& line) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, address.c_str(), &to.sin_addr);
  std::string reply;
  if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
    const std::string out = line + "\n";
    if (write(fd, out.data(), out.size()) == static_cast<ssize_t>(out.size())) {
      char c = 0;
      while (read(fd, &c, 1) == 1 && c != '\n') reply += c;
    }
  }
  close(fd);
  return reply;
}

// Lateness of each tick of a 10 ms timer, in ms.
class LatenessProbe {
 public:
  LatenessProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      late_.push_back(static_cast<double>(now - due_) / 1e6);
      due_ = now + kTickMs * 1000000LL;
    });
  }
  void Start() {
    late_.clear();
    clock_.start();
    due_ = kTickMs * 1000000LL;
    timer_.start();
  }
  void Report(const char* what) {
    timer_.stop();
    std::vector<double> v = late_;
    std::sort(v.begin(), v.end());
    const auto at = [&v](double p) {
      return v.empty() ? 0.0 : v[static_cast<size_t>(p * static_cast<double>(v.size() - 1))];
    };
    std::printf("%-34s ticks %5zu  median %6.2f ms  p99 %7.2f ms  worst %8.2f ms\n", what, v.size(),
                at(0.5), at(0.99), v.empty() ? 0.0 : v.back());
    std::fflush(stdout);
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 due_ = 0;
  std::vector<double> late_;
};

// Until the file's job has ended, its pause after the file included: with the
// worker the answer is there long before, and the job still holds the device.
bool DropAndWait(const vorn::ServiceCore& core, const QString& folder, const QString& suffix,
                 const QByteArray& bytes) {
  const QString tmp = folder + "/part.tmp";
  if (!WriteWhole(tmp, bytes) || !QFile::rename(tmp, folder + "/ONLINE" + suffix + ".TXT")) {
    return false;
  }
  return WaitFor(
      [&] {
        return QFile::exists(folder + "/ERROR" + suffix + ".TXT") &&
               !QFile::exists(folder + "/ONLINE" + suffix + ".TXT") && !core.IsBusy();
      },
      60000);
}

QByteArray Receipt(int lines) {
  QByteArray out;
  for (int i = 1; i < lines; ++i) {
    out += "1;ARTICOL " + QByteArray::number(i) + ";BUC;1;1;100;100000\r\n";
  }
  out += "5;" + QByteArray::number((lines - 1) * 100) + ";1\r\n";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QString simPath = QCoreApplication::applicationDirPath() + "/../simulator/vorn-sim";
  std::string address = "127.0.40.20";
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == "--sim") simPath = args[i + 1];
    if (args[i] == "--address") address = args[i + 1].toStdString();
  }
  constexpr int kControl = 9102;

  QTemporaryDir dir;
  const QString folder = dir.path();
  QProcess sim;
  sim.start(simPath,
            {"--tcp", QString::fromStdString(address), "--control", QString::number(kControl)});
  if (!sim.waitForStarted(5000) ||
      !WaitFor([&] { return Control(address, kControl, "held") == "NONE"; }, 10000)) {
    std::fprintf(stderr, "vorn-sim does not start on %s\n", address.c_str());
    return 1;
  }
  WriteWhole(folder + "/XVORNDRV.INI",
             QByteArray::fromStdString("[Configurari]\r\nComunicatie=1\r\nIP=" + address +
                                       "\r\nFaraVerificareConexiune=DA\r\n"));

  vorn::DriverAssembly driver(folder.toStdString(), vorn::DriverFace::Headless);
  vorn::ServiceCore& core = driver.Core();
  driver.Start();
  Pump(1500);

  LatenessProbe probe;
  probe.Start();
  Pump(1000);
  probe.Report("idle");

  probe.Start();
  if (!DropAndWait(core, folder, "A", Receipt(30)))
    std::fprintf(stderr, "receipt A not answered\n");
  probe.Report("(a) 30-line receipt");
  Pump(1200);  // the pause after a file

  // The simulator holds its reply to the fifth command for 5 s.
  Control(address, kControl, "hold-nth 5");
  std::thread releaser([&] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Control(address, kControl, "held") == "NONE" &&
           std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::seconds(5));
    Control(address, kControl, "release");
  });
  probe.Start();
  if (!DropAndWait(core, folder, "B", Receipt(30)))
    std::fprintf(stderr, "receipt B not answered\n");
  probe.Report("(b) reply held for 5 s");
  releaser.join();
  Pump(1200);

  core.SetProcessing(false);
  QByteArray bmp("BM");
  bmp += QByteArray(190 * 1000, '\x55');
  WriteWhole(folder + "/LOGO.BMP", bmp);
  vorn::ManualContext ctx;
  ctx.settings = core.Config();
  ctx.programFolder = core.WorkFolder();
  ctx.questions = &driver.Questions();
  const std::string logo = (folder + "/LOGO.BMP").toStdString();
  // As the console runs it: a job on the worker, its outcome read in `done`.
  vorn::ManualOutcome out;
  bool uploaded = false;
  probe.Start();
  const bool posted = core.PostDeviceJob(
      "operatie manuala", vorn::job_limits::kManualMs,
      [&ctx, &logo, &out] { out = vorn::LogoUpload(ctx).Run(logo, {}); },
      [&uploaded] { uploaded = true; });
  if (!posted || !WaitFor([&] { return uploaded; }, 120000)) {
    std::fprintf(stderr, "logo upload did not end\n");
  }
  probe.Report("(c) logo upload, 190 KB");
  if (uploaded && !out.ok) std::fprintf(stderr, "logo upload failed: %s\n", out.error.c_str());

  // Ended as the driver ends: after the running job, then the worker is idle.
  driver.Stop();
  if (!WaitFor([&] { return driver.HasEnded(); }, 60000)) {
    // A job may still use this frame's locals: no unwinding under it.
    std::fprintf(stderr, "service did not end\n");
    sim.kill();
    std::_Exit(1);
  }
  sim.terminate();
  sim.waitForFinished(5000);
  return 0;
}
