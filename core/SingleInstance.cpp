#include "core/SingleInstance.h"

#include <cerrno>

#include "device/PortDiagnosis.h"

#ifdef _WIN32
#include <windows.h>

#include "core/LocalText.h"
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace vorn {

namespace {

constexpr char kLockFileName[] = "XVornDrv.lock";

std::string HolderText(qint64 pid) { return std::to_string(pid) + "\n"; }

// A whole line of digits, as HolderText writes it; anything else (empty, torn,
// garbage, the older driver's three lines) says nothing about the holder.
qint64 HolderFromText(const char* text, size_t size) {
  qint64 pid = 0;
  size_t i = 0;
  for (; i < size && i < 18 && text[i] >= '0' && text[i] <= '9'; ++i)
    pid = pid * 10 + (text[i] - '0');
  if (i == 0 || i == size || text[i] != '\n' || pid <= 0) return SingleInstance::kHolderUnknown;
  return pid;
}

constexpr size_t kHolderTextMax = 32;

#ifndef _WIN32

// Open-file-description locks: owned by the open file, not the process, so a
// second open in the same process conflicts too, closing another descriptor of
// the file leaves the lock alone, and F_OFD_GETLK can look without taking.
struct flock WholeFile(short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  return lock;
}

bool FolderNotWritable(int err) {
  return err == EACCES || err == EPERM || err == EROFS || err == ENOSPC
#ifdef EDQUOT
         || err == EDQUOT
#endif
      ;
}

// Written over the old content, then cut: a reader meanwhile still finds a
// whole line. Neither synced nor checked: the lock holds without it.
bool WriteHolder(int fd) {
  const std::string text = HolderText(::getpid());
  return ::pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()) &&
         ::ftruncate(fd, static_cast<off_t>(text.size())) == 0;
}

qint64 ReadHolder(int fd) {
  char text[kHolderTextMax];
  const ssize_t n = ::pread(fd, text, sizeof text, 0);
  return HolderFromText(text, n > 0 ? static_cast<size_t>(n) : 0);
}

#else

// Windows locks are mandatory, so both bytes lie far beyond the content and
// the process id stays readable. The owner byte decides who runs; the probe
// byte, taken right after it, is what HolderOf tries (shared, for a moment):
// a driver starting meanwhile gets the owner byte regardless and only waits
// out that moment for the probe byte. Reading a locked byte instead would not
// do: past the end of the file, and under Wine, reads ignore locks.
constexpr DWORD kOwnerByte = 0x40000000;
constexpr DWORD kProbeByte = kOwnerByte + 1;

bool LockByte(HANDLE file, DWORD offset, DWORD flags) {
  OVERLAPPED at{};
  at.Offset = offset;
  return LockFileEx(file, flags | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

void UnlockByte(HANDLE file, DWORD offset) {
  OVERLAPPED at{};
  at.Offset = offset;
  UnlockFileEx(file, 0, 1, 0, &at);
}

HANDLE OpenLockFile(const std::string& path, DWORD access, DWORD disposition) {
  return CreateFileW(LocalText(path).toStdWString().c_str(), access,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string WindowsReason(DWORD err) {
  switch (err) {
    case ERROR_ACCESS_DENIED:
      return SystemReasonText(EACCES);
    case ERROR_WRITE_PROTECT:
      return SystemReasonText(EROFS);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return SystemReasonText(ENOSPC);
    default:
      return "eroare Windows " + std::to_string(err);
  }
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(LocalText(path).toStdWString().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// As on Linux: over the old content, then cut; neither synced nor checked.
bool WriteHolder(HANDLE file) {
  const std::string text = HolderText(static_cast<qint64>(GetCurrentProcessId()));
  OVERLAPPED at{};
  DWORD written = 0;
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(text.size());
  return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, &at) &&
         written == text.size() && SetFilePointerEx(file, end, nullptr, FILE_BEGIN) &&
         SetEndOfFile(file);
}

qint64 ReadHolder(HANDLE file) {
  char text[kHolderTextMax];
  OVERLAPPED at{};
  DWORD n = 0;
  if (!ReadFile(file, text, sizeof text, &n, &at)) n = 0;
  return HolderFromText(text, n);
}

#endif

}  // namespace

std::string SingleInstance::LockFilePath(const std::string& programFolder) {
  return programFolder + kLockFileName;
}

SingleInstance::Outcome SingleInstance::TryAcquire(const std::string& programFolder) {
  Release();
  error_.clear();
  const Outcome outcome = Lock(LockFilePath(programFolder));
  // A user who may not write the lock file still sees a running driver's lock.
  if (outcome == Outcome::Failed && HolderOf(programFolder) != 0) {
    error_.clear();
    return Outcome::HeldByAnother;
  }
  return outcome;
}

#ifndef _WIN32

SingleInstance::Outcome SingleInstance::Lock(const std::string& path) {
  // Never O_TRUNC: the content is only rewritten once the lock is ours. The
  // folder is shared with the point-of-sale users: a link planted in it must
  // not lead the driver to write elsewhere.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
  if (fd < 0) {
    const int err = errno;
    error_ = SystemReasonText(err);
    return FolderNotWritable(err) ? Outcome::Failed : Outcome::Fault;
  }
  struct flock lock = WholeFile(F_WRLCK);
  if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    const int err = errno;
    ::close(fd);
    if (err == EAGAIN || err == EACCES) return Outcome::HeldByAnother;
    error_ = SystemReasonText(err);
    return Outcome::Fault;
  }
  file_ = fd;
  WriteHolder(fd);
  return Outcome::Acquired;
}

void SingleInstance::Release() {
  // The file stays: removing it would let a driver that opened it just before
  // lock the removed file while a third one creates and locks a new one.
  if (file_ >= 0) ::close(static_cast<int>(file_));
  file_ = -1;
  mutex_ = nullptr;
}

qint64 SingleInstance::HolderOf(const std::string& programFolder) {
  const int fd =
      ::open(LockFilePath(programFolder).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return 0;
  struct flock lock = WholeFile(F_WRLCK);
  qint64 holder = 0;
  if (::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK) holder = ReadHolder(fd);
  ::close(fd);
  return holder;
}

#else

SingleInstance::Outcome SingleInstance::Lock(const std::string& path) {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, L"XVornDrv");
  if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return Outcome::HeldByAnother;
  }
  mutex_ = mutex;

  HANDLE file = OpenLockFile(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    Release();
    // Only the older driver's lock opened it unshared.
    if (err == ERROR_SHARING_VIOLATION) return Outcome::HeldByAnother;
    if (err == ERROR_ACCESS_DENIED && IsFolder(path)) {
      error_ = SystemReasonText(EISDIR);
      return Outcome::Fault;
    }
    error_ = WindowsReason(err);
    const bool notWritable = err == ERROR_ACCESS_DENIED || err == ERROR_WRITE_PROTECT ||
                             err == ERROR_DISK_FULL || err == ERROR_HANDLE_DISK_FULL;
    return notWritable ? Outcome::Failed : Outcome::Fault;
  }
  if (!LockByte(file, kOwnerByte, LOCKFILE_EXCLUSIVE_LOCK)) {
    const DWORD err = GetLastError();
    CloseHandle(file);
    Release();
    if (err == ERROR_LOCK_VIOLATION) return Outcome::HeldByAnother;
    error_ = WindowsReason(err);
    return Outcome::Fault;
  }
  // A probe holds it for a moment only; should one never let go, the driver
  // still runs and only looks idle to HolderOf.
  for (int i = 0; i < 1000 && !LockByte(file, kProbeByte, LOCKFILE_EXCLUSIVE_LOCK) &&
                  GetLastError() == ERROR_LOCK_VIOLATION;
       ++i) {
    Sleep(1);
  }
  file_ = reinterpret_cast<std::intptr_t>(file);
  WriteHolder(file);
  return Outcome::Acquired;
}

void SingleInstance::Release() {
  // The file stays, as on Linux. The locks are undone before the close: the
  // system may release a closed handle's locks only some time later.
  if (file_ != -1) {
    HANDLE file = reinterpret_cast<HANDLE>(file_);
    UnlockByte(file, kProbeByte);
    UnlockByte(file, kOwnerByte);
    CloseHandle(file);
  }
  file_ = -1;
  if (mutex_) {
    ReleaseMutex(static_cast<HANDLE>(mutex_));
    CloseHandle(static_cast<HANDLE>(mutex_));
  }
  mutex_ = nullptr;
}

qint64 SingleInstance::HolderOf(const std::string& programFolder) {
  HANDLE file = OpenLockFile(LockFilePath(programFolder), GENERIC_READ, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return 0;
  qint64 holder = 0;
  if (LockByte(file, kProbeByte, 0)) {
    UnlockByte(file, kProbeByte);
  } else if (GetLastError() == ERROR_LOCK_VIOLATION) {
    holder = ReadHolder(file);
  }
  CloseHandle(file);
  return holder;
}

#endif

}  // namespace vorn
