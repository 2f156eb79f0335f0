#include "app/StandardStreams.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "core/LocalText.h"
#include "core/TextFiles.h"
#endif

namespace vorn {

#ifdef _WIN32
namespace {

bool g_stderrLeadsSomewhere = false;

bool Usable(DWORD which) {
  const HANDLE handle = GetStdHandle(which);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

}  // namespace

void AttachParentStreams() {
  const bool out = Usable(STD_OUTPUT_HANDLE);
  const bool err = Usable(STD_ERROR_HANDLE);
  // Attached even when both are redirected: the console's Ctrl+C and close
  // then reach the driver as they reach a console program.
  const bool console = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
  if (console && !out) std::freopen("CONOUT$", "w", stdout);
  if (console && !err) std::freopen("CONOUT$", "w", stderr);
  g_stderrLeadsSomewhere = err || console;
}

void KeepLinesInFolder(const std::string& folder) {
  if (g_stderrLeadsSomewhere) return;
  const std::string logs = EnsureSubfolder(folder, "Log");
  if (logs.empty()) return;
  constexpr qint64 kKeptBytes = 1 << 20;
  const QString path = LocalText(logs + "vorndrv.txt");
  if (QFileInfo(path).size() > kKeptBytes) {
    const QString old = LocalText(logs + "vorndrv.old.txt");
    QFile::remove(old);
    QFile::rename(path, old);
  }
  const auto* name = reinterpret_cast<const wchar_t*>(path.utf16());
#ifdef _UCRT
  g_stderrLeadsSomewhere = _wfreopen(name, L"a", stderr) != nullptr;
#else
  // msvcrt's freopen() refuses a stream that started without a handle (its
  // descriptor is -2): descriptor 2 takes the file and the stream is pointed
  // at it.
  const int fd = _wopen(name, _O_WRONLY | _O_APPEND | _O_CREAT | _O_TEXT, _S_IREAD | _S_IWRITE);
  if (fd < 0) return;
  if (_dup2(fd, 2) == 0) {
    stderr->_file = 2;
    g_stderrLeadsSomewhere = true;
  }
  _close(fd);
#endif
}
#else
// A Linux program always has its streams: a terminal, a pipe or the journal.
void AttachParentStreams() {}
void KeepLinesInFolder(const std::string&) {}
#endif

}  // namespace vorn
