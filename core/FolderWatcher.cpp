#include "core/FolderWatcher.h"

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
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

}  // namespace

std::unique_ptr<FolderWatcher> CreateFolderWatcher(const std::string& folder) {
#ifdef __linux__
  auto watcher = std::make_unique<InotifyFolderWatcher>(folder);
  if (watcher->Active()) return watcher;
  return std::make_unique<NoFolderWatcher>(watcher->InactiveReason());
#else
  (void)folder;
  return std::make_unique<NoFolderWatcher>("platforma nu anunta fisierele noi");
#endif
}

}  // namespace vorn
