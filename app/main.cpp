// vorndrv: the driver. With a display it starts with its operator console;
// without one (or with VORNDRV_HEADLESS=1) it runs the service alone.
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/CommandLine.h"
#include "app/StopSignals.h"
#include "app/WindowedStart.h"
#include "core/DeviceProbe.h"
#include "core/FolderCheck.h"
#include "core/HeadlessQuestions.h"
#include "core/ProgramFolder.h"
#include "core/ScriptedQuestions.h"
#include "core/ServiceCore.h"
#include "core/SingleInstance.h"
#include "execution/ReceiptExecutor.h"
#include "http/HttpStart.h"

namespace {

int RunHeadless(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::string folder = vorn::ProgramFolder();

  vorn::SingleInstance instance;
  if (const vorn::StartupOutcome start = vorn::AcquireProgramFolder(folder, instance); !start.ok) {
    std::fprintf(stderr, "%s\n", start.text.c_str());
    return start.exitCode;
  }
  vorn::InstallStopSignals();

  std::unique_ptr<vorn::OperatorQuestions> questions;
  if (const char* script = std::getenv("VORNDRV_OPERATOR_SCRIPT"); script && *script) {
    questions = std::make_unique<vorn::ScriptedQuestions>(script);
  } else {
    questions = std::make_unique<vorn::HeadlessQuestions>();
  }
  vorn::ReceiptExecutor executor;

  vorn::ServiceCore core(folder);
  core.SetDecimalSeparator(vorn::SystemDecimalSeparator());
  core.SetQuestions(questions.get());
  core.SetExecutor(&executor);
  core.SetConnectionTester(vorn::ProbeDevice);

  // A stop signal ends the run between files, never in the middle of one.
  QTimer stopWatch;
  QObject::connect(&stopWatch, &QTimer::timeout, [&]() {
    if (!vorn::StopRequested() || core.IsBusy()) return;
    stopWatch.stop();
    core.Shutdown();
    QCoreApplication::quit();
  });
  stopWatch.start(50);

  std::fprintf(stderr, "vorndrv: pornit in %s\n", folder.c_str());
  const auto http = vorn::StartHttpFront(folder, core);
  const auto metrics = vorn::StartMetricsFront(folder, core, http.get());
  core.Start();
  return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  if (auto done = vorn::HandleHelpAndVersion(argc, argv, "vorndrv", vorn::kDriverUsage)) {
    return *done;
  }
  if (vorn::WantsWindow()) return vorn::RunWindowed(argc, argv);
  return RunHeadless(argc, argv);
}
