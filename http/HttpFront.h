#pragma once
// The local HTTP front: a request becomes a receipt file in the work folder,
// its answer file becomes the response. The connections live on the
// listener's thread, requests are checked and their bodies converted on a
// thread of the front's own, and queued here, on the driver's.
#include <QObject>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "http/CheckAndStatus.h"
#include "http/FolderQueue.h"
#include "http/HttpListener.h"
#include "http/HttpReply.h"
#include "http/HttpSettings.h"
#include "http/ReceiptStore.h"

namespace vorn {

class HttpFront : public QObject {
  Q_OBJECT
 public:
  HttpFront(std::string workFolder, HttpSettings settings, DriverView view = {},
            QObject* parent = nullptr);
  ~HttpFront() override;

  // Listens; false with `error` when the settings forbid it or the port is taken.
  bool Start(std::string& error);
  quint16 Port() const { return port_; }
  // The driver is stopping: new requests get 503 and queue nothing; clients
  // already waiting keep waiting for the job in hand.
  void Stopping();
  // Before the process ends: every client still waiting gets 503 with its
  // receipt's id (the receipt stays queued for the next start), and those
  // answers are written before this returns. Idempotent.
  void Stop();
  size_t Waiting() const { return waiters_.size(); }
  const HttpListener* Listener() const { return listener_.get(); }

 private:
  // A request whose answer is still to come; its client may leave meanwhile.
  struct Waiter {
    std::string id;
    HttpResponder responder;
    HeaderPairs cors;
  };

  // A request checked, and its body converted, on the request thread.
  struct Prepared {
    QString route;
    QString idText;
    HeaderPairs cors;
    HttpResponder responder;
    // POST /receipts
    int wait = 0;
    QByteArray key;
    QByteArray digest;
    std::string fileBytes;
    std::shared_ptr<void> budget;  // fileBytes counted as the body was, until queued
  };

  // On the request thread: every check, the body's conversion, POST /check
  // answered; the rest goes on to Dispatch.
  void Prepare(HttpRequest& request, const HttpResponder& responder);
  // False when the request was answered here.
  bool PrepareBody(HttpRequest& request, Prepared& p);
  void Dispatch(Prepared& p);
  void PostReceipt(Prepared& p);
  // A POST under a key already used: the earlier receipt's state, or 422.
  void ReplayReceipt(const StoredReceipt& earlier, const QByteArray& digest, int wait,
                     const HttpResponder& responder, HeaderPairs cors);
  void QueueReceipt(const QByteArray& key, const QByteArray& digest, const std::string& fileBytes,
                    int wait, const HttpResponder& responder, HeaderPairs cors);
  // `answer`, when given, stands for the stored (perhaps cut) answer text.
  Reply StateReply(const std::string& id, const std::string* answer = nullptr);
  void WaitFor(const std::string& id, int seconds, const HttpResponder& responder,
               HeaderPairs cors);
  void OnAnswered(const QString& id, const QByteArray& answer);
  void OnLost(const QString& id);
  void Finish(const std::string& id, const std::string* answer = nullptr);
  // Writes the store now (and removes the answer files it now holds); false on failure.
  bool SaveStore(bool durable);
  void SaveSoon();
  void Log(const std::string& line) const;

  // Read on the request thread too; never changed after the constructor.
  const std::string folder_;
  const HttpSettings settings_;
  DriverView view_;
  QThread requestThread_;
  QObject requestContext_;  // lives on requestThread_
  std::unique_ptr<HttpListener> listener_;
  FolderQueue queue_;
  ReceiptStore store_;
  std::map<uint64_t, Waiter> waiters_;  // by the responder's id
  quint16 port_ = 0;
  QTimer saveTimer_;
  std::vector<std::string> releases_;
  // Read on the listener's and the request thread too (AdmitEarly).
  std::atomic<bool> stopping_{false};
  bool stopped_ = false;
};

}  // namespace vorn
