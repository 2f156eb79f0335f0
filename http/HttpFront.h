#pragma once
// The local HTTP front: a request becomes a receipt file in the work folder,
// its answer file becomes the response. One thread, the driver's event loop.
#include <QHttpServer>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "http/CheckAndStatus.h"
#include "http/FolderQueue.h"
#include "http/HttpReply.h"
#include "http/HttpSettings.h"
#include "http/ReceiptStore.h"

namespace vorn {

// Longest wait a request may ask for, in seconds; the default is 120.
inline constexpr int kDefaultWaitSeconds = 120;
inline constexpr int kMaxWaitSeconds = 600;

class HttpFront : public QObject {
  Q_OBJECT
 public:
  HttpFront(std::string workFolder, HttpSettings settings, DriverView view = {},
            QObject* parent = nullptr);
  ~HttpFront() override;

  // Listens; false with `error` when the settings forbid it or the port is taken.
  bool Start(std::string& error);
  quint16 Port() const { return port_; }
  size_t Waiting() const { return waiters_.size(); }

 private:
  // A request whose answer is still to come; its client may leave meanwhile.
  struct Waiter {
    Waiter(std::string i, QHttpServerResponder&& r, HeaderPairs h)
        : id(std::move(i)), responder(std::move(r)), cors(std::move(h)) {}
    std::string id;
    QHttpServerResponder responder;
    HeaderPairs cors;
  };

  void Dispatch(const QHttpServerRequest& request, QHttpServerResponder&& responder);
  void PostReceipt(const QHttpServerRequest& request, QHttpServerResponder&& responder,
                   HeaderPairs cors);
  Reply StateReply(const std::string& id);
  void WaitFor(const std::string& id, int seconds, QHttpServerResponder&& responder,
               HeaderPairs cors);
  void OnAnswered(const QString& id, const QByteArray& answer);
  void OnLost(const QString& id);
  void Finish(const std::string& id);
  // Writes the store now (and removes the answer files it now holds); false on failure.
  bool SaveStore(bool durable);
  void SaveSoon(bool durable);
  void Log(const std::string& line) const;

  std::string folder_;
  HttpSettings settings_;
  DriverView view_;
  QHttpServer server_;
  FolderQueue queue_;
  ReceiptStore store_;
  std::map<quint64, Waiter> waiters_;
  quint64 nextWaiter_ = 0;
  quint16 port_ = 0;
  QTimer saveTimer_;
  bool durableDue_ = false;
  std::vector<std::string> releases_;
};

}  // namespace vorn
