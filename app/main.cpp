// vorndrv: the driver. Runs the service without a window; the operator console
// takes over the windowed start once it exists.
#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/CommandLine.h"
#include "core/DeviceProbe.h"
#include "core/FolderCheck.h"
#include "core/HeadlessQuestions.h"
#include "core/ProgramFolder.h"
#include "core/ScriptedQuestions.h"
#include "core/ServiceCore.h"
#include "core/SingleInstance.h"
#include "execution/ReceiptExecutor.h"

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void OnStopSignal(int) { g_stopRequested = 1; }

void InstallStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (auto done = vorn::HandleHelpAndVersion(argc, argv, "vorndrv", vorn::kDriverUsage)) {
    return *done;
  }
  QCoreApplication app(argc, argv);
  const std::string folder = vorn::ProgramFolder();

  vorn::SingleInstance instance;
  if (const vorn::StartupOutcome start = vorn::AcquireProgramFolder(folder, instance); !start.ok) {
    std::fprintf(stderr, "%s\n", start.text.c_str());
    return start.exitCode;
  }
  InstallStopSignals();

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
    if (!g_stopRequested || core.IsBusy()) return;
    stopWatch.stop();
    core.Shutdown();
    QCoreApplication::quit();
  });
  stopWatch.start(50);

  std::fprintf(stderr, "vorndrv: pornit in %s\n", folder.c_str());
  core.Start();
  return QCoreApplication::exec();
}
