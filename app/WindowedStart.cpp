#include "app/WindowedStart.h"

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/DriverAssembly.h"
#include "console/RomMessageDialog.h"
#include "core/FolderCheck.h"
#include "core/ProgramFolder.h"
#include "core/SingleInstance.h"

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
  return RunDriver(folder, DriverFace::Console);
}

}  // namespace vorn
