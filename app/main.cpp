// vorndrv: the driver. With a display it starts with its operator console;
// without one (or with VORNDRV_HEADLESS=1) it runs the service alone.
#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/CommandLine.h"
#include "app/ServiceNotify.h"
#include "app/ServiceSupervision.h"
#include "app/StandardStreams.h"
#include "app/StopSignals.h"
#include "app/WindowedStart.h"
#include "core/Cp1252Text.h"
#include "core/DeviceJobs.h"
#include "core/FolderCheck.h"
#include "core/HeadlessQuestions.h"
#include "core/LocalText.h"
#include "core/ProgramFolder.h"
#include "core/ScriptedQuestions.h"
#include "core/ServiceCore.h"
#include "core/ServiceWiring.h"
#include "core/SingleInstance.h"
#include "execution/ReceiptExecutor.h"
#include "http/HttpStart.h"

namespace {

constexpr int kExitUsage = 2;

int RunHeadless(int argc, char** argv, const std::string& chosenFolder) {
  QCoreApplication app(argc, argv);
  const std::string folder = vorn::ProgramFolder(chosenFolder);

  vorn::SingleInstance instance;
  if (const vorn::StartupOutcome start = vorn::AcquireProgramFolder(folder, instance); !start.ok) {
    std::fprintf(stderr, "%s\n", start.text.c_str());
    vorn::notify::Status(vorn::TextFromCp1252(start.text).toStdString());
    return start.exitCode;
  }
  vorn::KeepLinesInFolder(folder);
  QDir::setCurrent(vorn::LocalText(folder));  // the dialogs' logs land there
  vorn::InstallStopSignals();

  std::unique_ptr<vorn::OperatorQuestions> questions;
  if (const char* script = std::getenv("VORNDRV_OPERATOR_SCRIPT"); script && *script) {
    questions = std::make_unique<vorn::ScriptedQuestions>(script);
  } else {
    questions = std::make_unique<vorn::HeadlessQuestions>();
  }
  vorn::ReceiptExecutor executor;
  vorn::DeviceWorker worker;
  vorn::ServiceCore core(folder);
  vorn::WireService(core, worker, executor, *questions);
  vorn::ServiceSupervision supervision(core);

  std::fprintf(stderr, "vorndrv: pornit in %s\n", folder.c_str());
  const auto http = vorn::StartHttpFront(folder, core);
  const auto metrics = vorn::StartMetricsFront(folder, core, http.get());

  // A stop signal ends the run after the job in hand, never in the middle of one.
  QTimer stopWatch;
  QObject::connect(&stopWatch, &QTimer::timeout, [&]() {
    if (!vorn::StopRequested()) return;
    stopWatch.stop();
    supervision.Stopping();
    if (http) http->Stopping();
    core.EndAfterRunningJob([] {
      vorn::StopFinished();
      QCoreApplication::quit();
    });
  });
  stopWatch.start(50);

  supervision.FolderLocked();
  core.Start();
  const int code = QCoreApplication::exec();
  // HTTP clients still waiting are answered before the process ends.
  if (http) http->Stop();
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  vorn::AttachParentStreams();
  if (auto done = vorn::HandleHelpAndVersion(argc, argv, "vorndrv", vorn::kDriverUsage)) {
    return *done;
  }
  const vorn::DriverArguments args = vorn::ParseDriverArguments(argc, argv);
  if (!args.error.empty()) {
    std::fprintf(stderr, "vorndrv: %s\n%s", args.error.c_str(), vorn::kDriverUsage);
    return kExitUsage;
  }
  if (vorn::WantsWindow()) return vorn::RunWindowed(argc, argv, args.folder);
  return RunHeadless(argc, argv, args.folder);
}
