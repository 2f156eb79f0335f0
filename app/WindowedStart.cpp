#include "app/WindowedStart.h"

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/StandardStreams.h"
#include "app/StopSignals.h"
#include "console/RomMessageDialog.h"
#include "console/TXV_MAIN.h"
#include "core/DeviceJobs.h"
#include "core/FolderCheck.h"
#include "core/LocalText.h"
#include "core/ProgramFolder.h"
#include "core/ScriptedQuestions.h"
#include "core/SingleInstance.h"
#include "http/HttpStart.h"

namespace vorn {

namespace {
#ifndef _WIN32
bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

bool SocketAnswers(const std::string& path) {
  sockaddr_un address{};
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return ok;
}

// Qt ends the process when it cannot reach the display, so a stale DISPLAY
// (a service started from a closed session) must not decide for the window.
bool XDisplayReachable() {
  const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  if (display.empty()) return false;
  if (display[0] != ':') return true;  // a remote display: let Qt try it
  const std::string number = display.substr(1, display.find('.') - 1);
  return SocketAnswers("/tmp/.X11-unix/X" + number);
}

bool WaylandReachable() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (!name || !*name) return false;
  if (name[0] == '/') return SocketAnswers(name);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime && SocketAnswers(std::string(runtime) + "/" + name);
}
#endif
}  // namespace

bool WantsWindow() {
  const char* headless = std::getenv("VORNDRV_HEADLESS");
  if (headless && std::strcmp(headless, "1") == 0) return false;
#ifdef _WIN32
  return true;  // a desktop is always there
#else
  const std::string platform = Set("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
  if (!platform.empty() && platform.rfind("xcb", 0) != 0 && platform.rfind("wayland", 0) != 0) {
    return true;  // offscreen, vnc ...: no display server needed
  }
  if (XDisplayReachable() || WaylandReachable()) return true;
  if (Set("DISPLAY") || Set("WAYLAND_DISPLAY")) {
    std::fprintf(stderr, "vorndrv: ecranul nu poate fi folosit; pornesc fara consola\n");
  }
  return false;
#endif
}

int RunWindowed(int argc, char** argv, const std::string& chosenFolder) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  const std::string folder = ProgramFolder(chosenFolder);

  SingleInstance instance;
  if (const StartupOutcome start = AcquireProgramFolder(folder, instance); !start.ok) {
    std::fprintf(stderr, "%s\n", start.text.c_str());
    if (start.exitCode == 1) {
      RomMessageDialog::Show(start.text, "", MsgKind::Information, kBtnOk);
    } else {
      RomMessageDialog::Show(start.text, "", MsgKind::Error, kBtnOk);
    }
    return start.exitCode;
  }
  KeepLinesInFolder(folder);
  QDir::setCurrent(LocalText(folder));  // the dialogs' logs land there
  InstallStopSignals();

  std::unique_ptr<OperatorQuestions> questions;
  if (const char* script = std::getenv("VORNDRV_OPERATOR_SCRIPT"); script && *script) {
    questions = std::make_unique<ScriptedQuestions>(script);
  }
  TXV_MAIN window(folder, std::move(questions));
  // Declared after the window, so ended first: its thread stops before the
  // window and the service a job in hand works on are destroyed.
  DeviceWorker worker;
  window.UseDeviceJobs(worker);
  bool ended = false;
  QObject::connect(&window, &TXV_MAIN::ProgramEnded, &app, [&ended] {
    ended = true;
    StopFinished();
  });
  QObject::connect(&window, &TXV_MAIN::ProgramEnded, &app, &QCoreApplication::quit,
                   Qt::QueuedConnection);

  std::fprintf(stderr, "vorndrv: pornit in %s (cu fereastra)\n", folder.c_str());
  const auto http = StartHttpFront(folder, window.Core());
  const auto metrics = StartMetricsFront(folder, window.Core(), http.get());

  QTimer stopWatch;
  QObject::connect(&stopWatch, &QTimer::timeout, [&]() {
    if (!StopRequested()) return;
    stopWatch.stop();
    if (http) http->Stopping();
    window.EndProgram();  // after the job in hand
  });
  stopWatch.start(50);

  window.FormCreate();
  const int code = QApplication::exec();
  if (!ended) {
    // The session manager ended the event loop (log-off, shutdown) rather than
    // a stop command: the loop runs once more until the job in hand has ended
    // and "DRIVER INCHIS" is written. This holds only while the display lives:
    // once the X server is gone, Qt's xcb plugin ends the process at once
    // (exit 1), and the in-flight record decides the receipt at the next start.
    window.EndProgram();
    if (!ended) QApplication::exec();
  }
  // HTTP clients still waiting are answered before the process ends.
  if (http) http->Stop();
  return code;
}

}  // namespace vorn
