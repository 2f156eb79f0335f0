#pragma once
// The device's line ends: a TCP listener that takes one client after another
// (several at once if a client lingers) and a pseudo-terminal for the serial
// path.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <memory>

class QTcpServer;
class QSocketNotifier;
class QTimer;

namespace vorn::sim {

class FiscalDevice;
class SimSession;

class SimServer : public QObject {
  Q_OBJECT
 public:
  explicit SimServer(FiscalDevice* device, QObject* parent = nullptr);
  ~SimServer() override;

  bool ListenTcp(const QString& address, quint16 port);
  quint16 TcpPort() const;
  QString OpenPseudoTerminal();
  void Stop();
  QString LastError() const { return lastError_; }

 Q_SIGNALS:
  void CommandReceived(const QString& command);

 private:
  void OnNewConnection();
  void OnPtyReadable();
  void WritePty(const QByteArray& bytes);
  void FlushPty();
  void ClosePty();

  FiscalDevice* device_;
  QTcpServer* tcp_ = nullptr;
  int ptyMaster_ = -1;
  int ptySlave_ = -1;  // held open so the line keeps its settings between clients
  QSocketNotifier* ptyReader_ = nullptr;
  QSocketNotifier* ptyWriter_ = nullptr;
  QByteArray ptyPending_;
  SimSession* ptySession_ = nullptr;
  QString lastError_;
};

}  // namespace vorn::sim
