#pragma once
// The headless driver as a systemd service sees it: readiness, the status
// line of `systemctl status`, watchdog pings and the stop.
#include <QObject>
#include <QString>
#include <QTimer>
#include <string>

namespace vorn {

class ServiceCore;

class ServiceSupervision : public QObject {
  Q_OBJECT
 public:
  explicit ServiceSupervision(ServiceCore& core, QObject* parent = nullptr);

  // Pings from now on when the manager asks for them: the first connection
  // test, before Ready(), may take longer than the watchdog allows.
  void StartWatchdog();
  // Once the folder is locked and processing runs: READY=1 and the status line.
  void Ready();
  // A stop signal arrived; the file in hand is still finished.
  void Stopping();

 private:
  std::string StatusLine() const;
  void Refresh();

  ServiceCore& core_;
  QTimer ping_;
  QTimer filesPoll_;
  std::string sent_;
  std::string lastAnswer_;
  bool ready_ = false;
  bool stopping_ = false;
};

}  // namespace vorn
