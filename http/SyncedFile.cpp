#include "http/SyncedFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/LocalText.h"
#include "core/TextFiles.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vorn {

namespace {

#if defined(_WIN32)

std::wstring Wide(const std::string& path) { return LocalText(path).toStdWString(); }

std::string Failed(const std::string& what) {
  return what + ": eroare Windows " + std::to_string(GetLastError());
}

bool WriteAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

#else

std::string Failed(const std::string& what) { return what + ": " + std::strerror(errno); }

bool WriteAll(int fd, const std::string& bytes, off_t offset) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    done += size_t(n);
  }
  return true;
}

bool SyncData(int fd) {
  int rc;
  do {
#if defined(__linux__)
    // The size and the blocks a read needs; only the times may lag.
    rc = ::fdatasync(fd);
#else
    rc = ::fsync(fd);
#endif
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

#endif

}  // namespace

bool WriteFileSynced(const std::string& path, const std::string& bytes, int64_t modifiedMs,
                     std::string& error) {
#if defined(_WIN32)
  const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = Failed(path);
    return false;
  }
  bool ok = WriteAll(file, bytes);
  if (ok && modifiedMs != 0) {
    const uint64_t since1601 = (uint64_t(modifiedMs) + 11644473600000ull) * 10000ull;
    const FILETIME time{DWORD(since1601 & 0xFFFFFFFFu), DWORD(since1601 >> 32)};
    ok = SetFileTime(file, nullptr, nullptr, &time) != 0;
  }
  ok = ok && FlushFileBuffers(file) != 0;
  if (!ok) error = Failed(path);
  CloseHandle(file);
  if (!ok) DeleteFileW(Wide(path).c_str());
  return ok;
#else
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = Failed(path);
    return false;
  }
  bool ok = WriteAll(fd, bytes, 0);
  if (ok && modifiedMs != 0) {
    timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(modifiedMs / 1000);
    times[1].tv_nsec = static_cast<long>(modifiedMs % 1000) * 1000000L;
    ok = ::futimens(fd, times) == 0;
  }
  ok = ok && SyncData(fd);
  if (!ok) error = Failed(path);
  if (::close(fd) != 0 && ok) {
    error = Failed(path);
    ok = false;
  }
  if (!ok) ::unlink(path.c_str());
  return ok;
#endif
}

bool RenameSynced(const std::string& from, const std::string& to, bool& renamed,
                  std::string& error) {
#if defined(_WIN32)
  // No folder to sync on Windows: NTFS journals the rename itself, and with
  // MOVEFILE_WRITE_THROUGH the call returns once the move is on the disk.
  renamed = MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!renamed) error = Failed(to);
  return renamed;
#else
  renamed = ::rename(from.c_str(), to.c_str()) == 0;
  if (!renamed) {
    error = Failed(to);
    return false;
  }
  const std::string folder = FolderOf(to);
  if (!SyncFolder(folder)) {
    error = Failed(folder.empty() ? std::string(".") : folder);
    return false;
  }
  return true;
#endif
}

bool WriteAt(const std::string& path, int64_t offset, const std::string& bytes, bool sync,
             std::string& error) {
#if defined(_WIN32)
  const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = Failed(path);
    return false;
  }
  LARGE_INTEGER at;
  at.QuadPart = offset;
  const bool ok = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file) &&
                  WriteAll(file, bytes) && (!sync || FlushFileBuffers(file));
  if (!ok) error = Failed(path);
  CloseHandle(file);
  return ok;
#else
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    error = Failed(path);
    return false;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0;
  // Whatever lies past the offset (a record a failed write left half) goes first.
  if (ok && st.st_size != offset) ok = ::ftruncate(fd, off_t(offset)) == 0;
  ok = ok && WriteAll(fd, bytes, off_t(offset)) && (!sync || SyncData(fd));
  if (!ok) error = Failed(path);
  ::close(fd);
  return ok;
#endif
}

bool ReadFileShared(const std::string& path, std::string& out) {
#if defined(_WIN32)
  const HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  out.clear();
  char buffer[16 * 1024];
  DWORD n = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &n, nullptr) != 0) && n > 0) {
    out.append(buffer, n);
  }
  CloseHandle(file);
  return ok;
#else
  // Nothing to share on POSIX: a reader never blocks a rename or an unlink.
  return ReadFileBytes(path, out);
#endif
}

}  // namespace vorn
