#include "app/DriverAssembly.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstdlib>

#include "app/ServiceSupervision.h"
#include "app/StandardStreams.h"
#include "app/StopSignals.h"
#include "base/DecimalSeparator.h"
#include "console/TXV_MAIN.h"
#include "core/DeviceProbe.h"
#include "core/HeadlessQuestions.h"
#include "core/LocalText.h"
#include "core/ScriptedQuestions.h"
#include "http/HttpStart.h"

namespace vorn {

namespace {

constexpr int kStopWatchMs = 50;

// Null: the console answers with its dialogs.
std::unique_ptr<OperatorQuestions> ChooseQuestions(DriverFace face) {
  if (const char* script = std::getenv("VORNDRV_OPERATOR_SCRIPT"); script && *script) {
    return std::make_unique<ScriptedQuestions>(script);
  }
  if (face == DriverFace::Headless) return std::make_unique<HeadlessQuestions>();
  return nullptr;
}

}  // namespace

DriverAssembly::DriverAssembly(const std::string& folder, DriverFace face, DeviceJobs* jobs)
    : folder_(folder), questions_(ChooseQuestions(face)), core_(folder) {
  if (face == DriverFace::Console) {
    window_ = std::make_unique<TXV_MAIN>(core_, questions_.get());
    connect(window_.get(), &TXV_MAIN::ProgramEnded, this, &DriverAssembly::OnEnded);
  } else {
    supervision_ = std::make_unique<ServiceSupervision>(core_);
  }
  if (!jobs) {
    worker_ = std::make_unique<DeviceWorker>();
    jobs = worker_.get();
  }
  core_.SetDecimalSeparator(SystemDecimalSeparator());
  core_.SetQuestions(&Questions());
  core_.SetExecutor(&executor_);
  core_.SetConnectionTester(ProbeDevice);
  core_.SetDeviceJobs(jobs);
  // A stop signal ends the run after the job in hand, never in the middle of one.
  connect(&stopWatch_, &QTimer::timeout, this, [this] {
    if (!StopRequested()) return;
    stopWatch_.stop();
    Stop();
  });
}

DriverAssembly::~DriverAssembly() = default;

OperatorQuestions& DriverAssembly::Questions() {
  return questions_ ? *questions_ : window_->Questions();
}

void DriverAssembly::Start() {
  std::fprintf(stderr, "vorndrv: pornit in %s%s\n", folder_.c_str(),
               window_ ? " (cu fereastra)" : "");
  http_ = StartHttpFront(folder_, core_);
  metrics_ = StartMetricsFront(folder_, core_, http_.get());
  stopWatch_.start(kStopWatchMs);
  if (window_) {
    window_->FormCreate();
    return;
  }
  supervision_->FolderLocked();
  core_.Start();
}

void DriverAssembly::Stop() {
  if (supervision_) supervision_->Stopping();
  if (http_) http_->Stopping();
  EndAfterRunningJob();
}

void DriverAssembly::EndAfterRunningJob() {
  if (window_) {
    window_->EndProgram();  // its icon goes once the job in hand has ended
    return;
  }
  core_.EndAfterRunningJob([this] { OnEnded(); });
}

void DriverAssembly::OnEnded() {
  ended_ = true;
  Q_EMIT Ended();
}

void DriverAssembly::AfterEventLoop() {
  if (!ended_) {
    // The session manager ended the event loop (log-off, shutdown) rather than
    // a stop command: the loop runs once more until the job in hand has ended
    // and "DRIVER INCHIS" is written. This holds only while the display lives:
    // once the X server is gone, Qt's xcb plugin ends the process at once
    // (exit 1), and the in-flight record decides the receipt at the next start.
    EndAfterRunningJob();
    if (!ended_) QCoreApplication::exec();
  }
  // HTTP clients still waiting are answered before the process ends.
  if (http_) http_->Stop();
}

int RunDriver(const std::string& folder, DriverFace face) {
  KeepLinesInFolder(folder);
  QDir::setCurrent(LocalText(folder));  // the dialogs' logs land there
  InstallStopSignals();
  DriverAssembly driver(folder, face);
  // Queued: an end before the loop runs still ends it.
  QObject::connect(&driver, &DriverAssembly::Ended, QCoreApplication::instance(),
                   &QCoreApplication::quit, Qt::QueuedConnection);
  driver.Start();
  const int code = QCoreApplication::exec();
  driver.AfterEventLoop();
  // Only now, with waiting HTTP clients answered too, may Windows end the process.
  StopFinished();
  return code;
}

}  // namespace vorn
