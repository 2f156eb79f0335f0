#pragma once
// Line-based text channel through which a test or a person switches faults
// and reads the state of a running simulator.
#include <QObject>
#include <QString>

class QTcpServer;

namespace vorn::sim {

class FiscalSimulator;

class ControlChannel : public QObject {
  Q_OBJECT
 public:
  explicit ControlChannel(FiscalSimulator* sim);
  bool Listen(const QString& address, quint16 port);
  quint16 Port() const;
  QString LastError() const { return lastError_; }

 private:
  void OnNewConnection();

  FiscalSimulator* sim_;
  QTcpServer* server_;
  QString lastError_;
};

}  // namespace vorn::sim
