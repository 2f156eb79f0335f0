#include "app/WindowedStart.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/StopSignals.h"
#include "console/RomMessageDialog.h"
#include "console/TXV_MAIN.h"
#include "core/ProgramFolder.h"
#include "core/ScriptedQuestions.h"
#include "core/SingleInstance.h"

namespace vorn {

namespace {
bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}
}  // namespace

bool WantsWindow() {
  const char* headless = std::getenv("VORNDRV_HEADLESS");
  if (headless && std::strcmp(headless, "1") == 0) return false;
  return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM");
}

int RunWindowed(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  const std::string folder = ProgramFolder();

  SingleInstance instance;
  if (!instance.Acquire(folder)) {
    std::fprintf(stderr, "Aplicatia deja lucreaza\n");
    RomMessageDialog::Show("Aplicatia deja lucreaza", "", MsgKind::Information, kBtnOk);
    return 1;
  }
  InstallStopSignals();

  std::unique_ptr<OperatorQuestions> questions;
  if (const char* script = std::getenv("VORNDRV_OPERATOR_SCRIPT"); script && *script) {
    questions = std::make_unique<ScriptedQuestions>(script);
  }
  TXV_MAIN window(folder, std::move(questions));
  QObject::connect(&window, &TXV_MAIN::ProgramEnded, &app, &QCoreApplication::quit,
                   Qt::QueuedConnection);

  QTimer stopWatch;
  QObject::connect(&stopWatch, &QTimer::timeout, [&]() {
    if (!StopRequested() || window.Core().IsBusy() || window.OperationRunning()) return;
    stopWatch.stop();
    window.EndProgram();
  });
  stopWatch.start(50);

  std::fprintf(stderr, "vorndrv: pornit in %s (cu fereastra)\n", folder.c_str());
  window.FormCreate();
  return QApplication::exec();
}

}  // namespace vorn
