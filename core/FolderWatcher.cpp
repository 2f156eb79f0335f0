#include "core/FolderWatcher.h"

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstddef>
#include <cstring>
#endif

#ifdef _WIN32
#include <windows.h>

#include <QString>
#include <QWinEventNotifier>
#include <cstddef>
#include <cstring>
#endif

namespace vorn {

namespace {

class NoFolderWatcher final : public FolderWatcher {
 public:
  explicit NoFolderWatcher(std::string reason) { reason_ = std::move(reason); }
  bool Active() const override { return false; }
};

#ifdef __linux__

class InotifyFolderWatcher final : public FolderWatcher {
 public:
  explicit InotifyFolderWatcher(const std::string& folder) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) {
      reason_ = std::string("inotify_init1: ") + std::strerror(errno);
      return;
    }
    if (inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
      reason_ = std::string("inotify_add_watch: ") + std::strerror(errno);
      ::close(fd_);
      fd_ = -1;
      return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { Drain(); });
  }

  ~InotifyFolderWatcher() override {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
  }

  bool Active() const override { return fd_ >= 0; }

 private:
  void Drain() {
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
      const ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;  // EAGAIN: all read
      std::size_t at = 0;
      while (at + sizeof(inotify_event) <= static_cast<std::size_t>(n)) {
        inotify_event event;
        std::memcpy(&event, buffer + at, sizeof event);
        const std::size_t whole = sizeof(inotify_event) + event.len;
        if (at + whole > static_cast<std::size_t>(n)) break;
        // The name is padded with NULs; an overflow event has none and only
        // means some were lost, which the tick makes good.
        if (event.len > 0 && !(event.mask & IN_ISDIR)) {
          const char* name = buffer + at + sizeof(inotify_event);
          Q_EMIT FileCompleted(std::string(name, strnlen(name, event.len)));
        }
        at += whole;
      }
    }
  }

  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};

#endif

#ifdef _WIN32

// A rename into place is the one sure sign of a finished file; a file made or
// written may still be open, so it only asks for a look under the settle wait.
class ChangesFolderWatcher final : public FolderWatcher {
 public:
  explicit ChangesFolderWatcher(const std::string& folder) {
    const std::wstring path = QString::fromLocal8Bit(folder.c_str()).toStdWString();
    dir_ = CreateFileW(path.c_str(), FILE_LIST_DIRECTORY,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (dir_ == INVALID_HANDLE_VALUE) {
      reason_ = "CreateFileW: eroare de sistem " + std::to_string(GetLastError());
      return;
    }
    overlapped_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!overlapped_.hEvent || !Arm()) {
      reason_ = "ReadDirectoryChangesW: eroare de sistem " + std::to_string(GetLastError());
      Release();
      return;
    }
    notifier_ = std::make_unique<QWinEventNotifier>(overlapped_.hEvent);
    connect(notifier_.get(), &QWinEventNotifier::activated, this, [this] { Drain(); });
  }

  ~ChangesFolderWatcher() override {
    notifier_.reset();
    Release();
  }

  bool Active() const override { return dir_ != INVALID_HANDLE_VALUE; }

 private:
  bool Arm() {
    ResetEvent(overlapped_.hEvent);
    armed_ = ReadDirectoryChangesW(
        dir_, buffer_, sizeof buffer_, FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE,
        nullptr, &overlapped_, nullptr);
    return armed_;
  }

  void Release() {
    if (armed_) {
      // The buffer belongs to the system until the read has ended.
      CancelIoEx(dir_, &overlapped_);
      DWORD ignored = 0;
      GetOverlappedResult(dir_, &overlapped_, &ignored, TRUE);
      armed_ = false;
    }
    if (overlapped_.hEvent) CloseHandle(overlapped_.hEvent);
    overlapped_.hEvent = nullptr;
    if (dir_ != INVALID_HANDLE_VALUE) CloseHandle(dir_);
    dir_ = INVALID_HANDLE_VALUE;
  }

  void Drain() {
    DWORD n = 0;
    if (!GetOverlappedResult(dir_, &overlapped_, &n, FALSE)) {
      // A wake-up left over from the last round: the read still runs.
      if (GetLastError() == ERROR_IO_INCOMPLETE) return;
      n = 0;
    }
    armed_ = false;
    // n == 0: more changed than the buffer held; the tick makes that good.
    std::size_t at = 0;
    while (at + sizeof(FILE_NOTIFY_INFORMATION) <= n) {
      FILE_NOTIFY_INFORMATION info;
      std::memcpy(&info, buffer_ + at, sizeof info);
      const std::size_t nameAt = at + offsetof(FILE_NOTIFY_INFORMATION, FileName);
      if (nameAt + info.FileNameLength > n) break;
      const QString wide =
          QString::fromWCharArray(reinterpret_cast<const wchar_t*>(buffer_ + nameAt),
                                  info.FileNameLength / sizeof(wchar_t));
      const std::string name = wide.toLocal8Bit().toStdString();
      if (info.Action == FILE_ACTION_RENAMED_NEW_NAME) {
        Q_EMIT FileCompleted(name);
      } else if (info.Action == FILE_ACTION_ADDED || info.Action == FILE_ACTION_MODIFIED) {
        Q_EMIT FileChanged(name);
      }
      if (info.NextEntryOffset == 0) break;
      at += info.NextEntryOffset;
    }
    if (!Arm()) {
      // Watching has ended (the folder went away): the tick carries on alone.
      reason_ = "ReadDirectoryChangesW: eroare de sistem " + std::to_string(GetLastError());
      notifier_->setEnabled(false);
    }
  }

  HANDLE dir_ = INVALID_HANDLE_VALUE;
  OVERLAPPED overlapped_{};
  bool armed_ = false;
  alignas(DWORD) char buffer_[64 * 1024];
  std::unique_ptr<QWinEventNotifier> notifier_;
};

#endif

}  // namespace

std::unique_ptr<FolderWatcher> CreateFolderWatcher(const std::string& folder) {
#ifdef __linux__
  auto watcher = std::make_unique<InotifyFolderWatcher>(folder);
  if (watcher->Active()) return watcher;
  return std::make_unique<NoFolderWatcher>(watcher->InactiveReason());
#elif defined(_WIN32)
  auto watcher = std::make_unique<ChangesFolderWatcher>(folder);
  if (watcher->Active()) return watcher;
  return std::make_unique<NoFolderWatcher>(watcher->InactiveReason());
#else
  (void)folder;
  return std::make_unique<NoFolderWatcher>("platforma nu anunta fisierele noi");
#endif
}

}  // namespace vorn
