#include "core/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "core/AnswerFile.h"
#include "core/Cleanup.h"
#include "core/LocalText.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorn {

bool ReadFileBytes(const std::string& path, std::string& out) {
  QFile file(LocalText(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError) return false;
  out.assign(data.constData(), static_cast<size_t>(data.size()));
  return true;
}

bool WriteFileWhole(const std::string& path, const std::string& bytes, std::string& error) {
  QSaveFile file(LocalText(path));
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) {
    error = path + ": " + file.errorString().toLocal8Bit().toStdString();
    return false;
  }
  const auto size = static_cast<qint64>(bytes.size());
  if (file.write(bytes.data(), size) != size || !file.commit()) {
    error = path + ": " + file.errorString().toLocal8Bit().toStdString();
    return false;
  }
  return true;
}

#if !defined(_WIN32)
namespace {
// fsync of whatever `path` opens to with `flags`; errno tells why on false.
bool SyncPath(const char* path, int flags) {
  const int fd = ::open(path, flags | O_CLOEXEC);
  if (fd < 0) return false;
  int rc;
  do {
    rc = ::fsync(fd);
  } while (rc != 0 && errno == EINTR);
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return rc == 0;
}
}  // namespace
#endif

bool SyncFolder(const std::string& folder) {
#if defined(_WIN32)
  (void)folder;
  return true;
#else
  return SyncPath(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
#endif
}

bool SyncFile(const std::string& path) {
#if defined(_WIN32)
  const std::wstring wide = LocalText(path).toStdWString();
  HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = ::FlushFileBuffers(h) != 0;
  ::CloseHandle(h);
  return ok;
#else
  return SyncPath(path.c_str(), O_RDONLY);
#endif
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool WriteFileDurable(const std::string& path, const std::string& bytes, std::string& error) {
  // QSaveFile syncs the data before its rename; the rename itself needs the folder.
  if (!WriteFileWhole(path, bytes, error)) return false;
  if (!SyncFolder(FolderOf(path))) {
    error = FolderOf(path) + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool WriteSecretDurable(const std::string& path, const std::string& bytes, std::string& error) {
#if defined(_WIN32)
  return WriteFileDurable(path, bytes, error);
#else
  // QSaveFile would create its temporary file as the umask allows, readable by
  // anyone for a moment; this one is born private and never follows a link.
  const std::string temporary = path + ".new";
  const auto fail = [&error](const std::string& what) {
    error = what + ": " + std::strerror(errno);
    return false;
  };
  ::unlink(temporary.c_str());
  const int fd =
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return fail(temporary);
  const std::string folder = FolderOf(path);
  struct stat dir {};
  // The folder's group are those who may drop receipt files.
  if (::stat(folder.empty() ? "." : folder.c_str(), &dir) == 0 &&
      ::fchown(fd, static_cast<uid_t>(-1), dir.st_gid) != 0) {
    // A driver outside that group cannot give the file to it: its own group reads it.
  }
  bool ok = ::fchmod(fd, 0640) == 0;
  for (size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  if (!ok) fail(temporary);
  if (::close(fd) != 0 && ok) ok = fail(temporary);
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) ok = fail(path);
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  if (!SyncFolder(folder)) return fail(folder.empty() ? std::string(".") : folder);
  return true;
#endif
}

bool WriteLinesWhole(const std::string& path, const ReceiptLines& lines, std::string& error) {
  std::size_t size = 0;
  for (std::string_view line : lines) size += line.size() + 2;
  std::string bytes;
  bytes.reserve(size);
  for (std::string_view line : lines) bytes.append(line).append("\r\n");
  return WriteFileWhole(path, bytes, error);
}

bool WriteLinesWhole(const std::string& path, const std::vector<std::string>& lines,
                     std::string& error) {
  return WriteFileWhole(path, JoinCrLf(lines), error);
}

std::string EnsureSubfolder(const std::string& parent, const std::string& name) {
  std::string sep(1, QDir::separator().toLatin1());
  std::string base = parent;
  if (!base.empty() && base.back() != sep[0] && base.back() != '/') base += sep;
  const std::string found = ResolveFolderNoCase(base + name);
  if (!found.empty()) return found;
  if (!QDir().mkpath(LocalText(base + name))) return {};
  return base + name + sep;
}

}  // namespace vorn
