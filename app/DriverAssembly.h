#pragma once
// The one place the driver is put together, for the headless and the windowed
// start alike: the service, the file executor, the device worker, the
// operator's questions, the console (windowed), systemd's view (headless), the
// HTTP front, the metrics and the watch for stop signals.
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

#include "core/ServiceCore.h"
#include "execution/ReceiptExecutor.h"

namespace vorn {

class DeviceWorker;
class HttpFront;
class MetricsFront;
class ServiceSupervision;
class TXV_MAIN;

enum class DriverFace { Headless, Console };

class DriverAssembly : public QObject {
  Q_OBJECT
 public:
  // folder: the program folder, checked and locked. jobs: who runs the device
  // work; null: a worker thread of the assembly's own.
  DriverAssembly(const std::string& folder, DriverFace face, DeviceJobs* jobs = nullptr);
  ~DriverAssembly() override;

  // The fronts, then processing (the console's icon first).
  void Start();
  // The orderly stop of a stop signal: HTTP clients told, the job in hand
  // finished, the service shut down, then Ended().
  void Stop();
  // After the event loop has ended: the stop is finished if the loop ended
  // without one (the session's end), then HTTP clients still waiting are answered.
  void AfterEventLoop();

  ServiceCore& Core() { return core_; }
  OperatorQuestions& Questions();
  // Null when headless.
  TXV_MAIN* Window() { return window_.get(); }
  bool HasEnded() const { return ended_; }

 Q_SIGNALS:
  // The service is shut down ("DRIVER INCHIS" written); the process may end.
  void Ended();

 private:
  void EndAfterRunningJob();
  void OnEnded();

  const std::string folder_;
  std::unique_ptr<OperatorQuestions> questions_;  // null: the console's dialogs
  ReceiptExecutor executor_;
  ServiceCore core_;
  std::unique_ptr<TXV_MAIN> window_;
  // After the service and the window, so ended first: its thread stops before
  // the service and the window a job in hand works on are destroyed.
  std::unique_ptr<DeviceWorker> worker_;
  std::unique_ptr<ServiceSupervision> supervision_;
  std::unique_ptr<HttpFront> http_;
  std::unique_ptr<MetricsFront> metrics_;
  QTimer stopWatch_;
  bool ended_ = false;
};

// Runs the driver on a locked program folder until it is stopped; the exit code.
int RunDriver(const std::string& folder, DriverFace face);

}  // namespace vorn
