#pragma once
// The headless driver as a systemd service sees it: readiness, the status
// line of `systemctl status`, watchdog pings and the stop.
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <string>

namespace vorn {

class ServiceCore;

class ServiceSupervision : public QObject {
  Q_OBJECT
 public:
  explicit ServiceSupervision(ServiceCore& core, QObject* parent = nullptr);

  // The folder is checked and locked: watchdog pings from now on, when the
  // manager asks for them, and READY=1 as soon as the core processes.
  void FolderLocked();
  // A stop signal arrived; the file in hand is still finished.
  void Stopping();

 private:
  std::string StatusLine() const;
  void Refresh();
  void SendReady();
  void Ping();
  // Notes a device job past its limit, said once per job.
  void NoteOverdueJob();

  ServiceCore& core_;
  QTimer ping_;
  QTimer filesPoll_;
  std::string sent_;
  std::string lastAnswer_;
  std::string overdue_;           // the overdue job's part of the status line
  int64_t overdueStartedMs_ = 0;  // the job last said overdue
  bool locked_ = false;
  bool ready_ = false;
  bool stopping_ = false;
};

}  // namespace vorn
