#include "http/HttpFront.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "base/QueuedHandOff.h"
#include "core/ReceiptNames.h"
#include "http/AccessRules.h"
#include "http/AnswerJson.h"
#include "http/ReceiptBody.h"
#include "http/ReceiptIds.h"
#include "http/RequestParse.h"

namespace vorn {

namespace {

// Changes that come together are written together; the thread is the driver's.
constexpr int kSaveDelayMs = 50;
constexpr int kSaveRetryMs = 1000;
// A restart of the service takes a few seconds.
constexpr const char* kStopRetryAfter = "5";
// The device prints a receipt in a few seconds.
constexpr const char* kQueueFullRetryAfter = "10";
// Bounds the stop when a client does not read its answer.
constexpr std::chrono::milliseconds kStopFlushLimit{3000};
const char* const kStoppingText = "the driver is stopping; try again once it has started";

// "receipts", "receipt" (with its id), "check", "status"; empty for anything
// else. A trailing slash is dropped from `path`.
QString RouteOf(QString& path, QString& idText) {
  if (path.size() > 1 && path.endsWith('/')) path.chop(1);
  if (path == QLatin1String("/receipts")) return QStringLiteral("receipts");
  if (path.startsWith(QLatin1String("/receipts/"))) {
    idText = path.mid(10);
    return QStringLiteral("receipt");
  }
  if (path == QLatin1String("/check") || path == QLatin1String("/status")) return path.mid(1);
  return {};
}

// The checks that need no body, made on the listener's thread before a body
// byte is read or set aside; the full checks run again with the request. A
// preflight is answered here too, and only a POST that passed may bring a body.
HttpListener::Admission AdmitEarly(const HttpSettings& settings, const HttpRequest& head) {
  const QUrl url = head.url();
  if (!url.isValid()) {
    return {ToResponse(ErrorReply(400, QStringLiteral("the request target is not a valid URL")))};
  }
  QString path = url.path();
  QString idText;
  const QString route = RouteOf(path, idText);
  const HeaderPairs cors = CorsHeaders(settings, head);
  if (route.isEmpty()) return {ToResponse(ErrorReply(404, "no such resource: " + path, cors))};
  if (const std::optional<Reply> answer = Refusal(settings, head, route, cors)) {
    return {ToResponse(*answer)};
  }
  return {std::nullopt, head.method == HttpRequest::Method::Post};
}

// The milliseconds an id was made at (ReceiptIds.h).
qint64 CreatedMsOf(const std::string& id) {
  return QByteArray::fromStdString(id.substr(1, 13)).toLongLong();
}

// Safe on the listener's thread.
Reply StoppingReply(HeaderPairs cors) {
  Reply reply = ErrorReply(503, QString::fromLatin1(kStoppingText), std::move(cors));
  reply.headers.push_back({"Retry-After", kStopRetryAfter});
  return reply;
}

bool ValidKey(const QByteArray& key) {
  if (key.isEmpty() || key.size() > 255) return false;
  for (char c : key) {
    if (c < 0x21 || c > 0x7E) return false;
  }
  return true;
}

}  // namespace

HttpFront::HttpFront(std::string workFolder, HttpSettings settings, DriverView view,
                     QObject* parent)
    : QObject(parent),
      folder_(std::move(workFolder)),
      settings_(std::move(settings)),
      view_(std::move(view)),
      queue_(folder_),
      store_(folder_ + kHttpStoreName) {
  // Requests are checked and their bodies read on a thread of their own: the
  // driver's thread, which also serves the folder, gets them ready to queue.
  requestContext_.moveToThread(&requestThread_);
  // One entry point for every request, so the same checks run before any route.
  listener_ = std::make_unique<HttpListener>(
      &requestContext_, settings_.limits,
      [this](HttpRequest& request, HttpResponder responder) { Prepare(request, responder); },
      [this](uint64_t id) {
        // Behind the request's own hand-off to this thread, so never before it.
        QMetaObject::invokeMethod(this, Queued([this, id] { waiters_.erase(id); }),
                                  Qt::QueuedConnection);
      },
      [this, settings = settings_](const HttpRequest& head) -> HttpListener::Admission {
        if (stopping_) return {ToResponse(StoppingReply(CorsHeaders(settings, head)))};
        return AdmitEarly(settings, head);
      });
  connect(&queue_, &FolderQueue::Answered, this, &HttpFront::OnAnswered);
  connect(&queue_, &FolderQueue::Lost, this, &HttpFront::OnLost);
  saveTimer_.setSingleShot(true);
  connect(&saveTimer_, &QTimer::timeout, this, [this] { SaveStore(false); });
}

HttpFront::~HttpFront() {
  if (port_ != 0) Stop();
  // No request is being prepared while the listener goes (a reply sent meanwhile
  // would meet its connections half gone); what it still hands over is never run.
  requestThread_.quit();
  requestThread_.wait();
  listener_.reset();  // no request arrives while the rest goes
  if (saveTimer_.isActive()) SaveStore(false);
}

bool HttpFront::Start(std::string& error) {
  error = StartRefusal(settings_);
  if (!error.empty()) return false;
  requestThread_.start();
  if (!listener_->Listen(settings_.address, static_cast<uint16_t>(settings_.port), error)) {
    return false;
  }
  port_ = listener_->Port();

  std::string storeError;
  store_.Load(storeError);
  if (!storeError.empty()) Log(storeError);
  // A stop while its file was being placed: the receipt never reached the
  // driver and its request got no answer, so a retry with its key queues it anew.
  for (const std::string& id : queue_.DropUnplaced()) {
    const StoredReceipt* r = store_.Find(id);
    if (r && r->state == ReceiptState::Queued && !queue_.ReceiptQueued(id)) store_.Remove(id);
  }
  // Every receipt or answer file of this front is followed to its answer, also
  // those a power cut kept from the store (one without a key is recorded unsynced).
  std::vector<std::string> follow = store_.WaitingIds();
  for (const std::string& id : queue_.IdsInFolder()) {
    if (!store_.Find(id)) {
      store_.Add(StoredReceipt{id, {}, {}, CreatedMsOf(id), ReceiptState::Queued, {}});
    }
    follow.push_back(id);
  }
  store_.Prune(QDateTime::currentMSecsSinceEpoch());
  // Rewritten only when torn, damaged, of the earlier format or grown: a sync
  // of the whole would hold up the first requests. The changes made here need
  // none (receipts without a key found in the folder, answers forgotten).
  storeError.clear();
  if (!store_.Save(storeError, false)) Log(storeError);
  for (const std::string& id : follow) queue_.Await(id);
  queue_.Scan();
  Log("asculta pe " + settings_.address + ":" + std::to_string(port_));
  return true;
}

void HttpFront::Stopping() {
  if (stopping_.exchange(true)) return;
  Log("oprire: cererile noi primesc 503");
}

void HttpFront::Stop() {
  if (stopped_) return;
  stopped_ = true;
  Stopping();
  if (saveTimer_.isActive()) SaveStore(false);
  for (auto& [serial, waiter] : waiters_) {
    // Its file stays in the folder and prints at the next start; the id lets
    // the client ask how it ended.
    Reply reply = StoppingReply(waiter.cors);
    const Reply state = StateReply(waiter.id);
    reply.body["id"] = QString::fromStdString(waiter.id);
    reply.body["state"] = state.body.value(QStringLiteral("state"));
    reply.body["error"] = QStringLiteral(
                              "the driver is stopping; the receipt stays queued and is taken at "
                              "the driver's next start; GET /receipts/%1 tells how it ended")
                              .arg(QString::fromStdString(waiter.id));
    reply.headers.push_back({"Location", "/receipts/" + QByteArray::fromStdString(waiter.id)});
    SendReply(waiter.responder, reply);
    Log("bon " + waiter.id + " ramane in coada pana la pornire");
  }
  waiters_.clear();
  if (listener_) listener_->Drain(ToResponse(StoppingReply({})), kStopFlushLimit);
}

void HttpFront::Log(const std::string& line) const {
  std::fprintf(stderr, "vorndrv: http: %s\n", line.c_str());
  std::fflush(stderr);
}

// ---------------------------------------------------------------- dispatch

void HttpFront::Prepare(HttpRequest& request, const HttpResponder& responder) {
  const QUrl url = request.url();
  if (!url.isValid()) {
    SendReply(responder, ErrorReply(400, QStringLiteral("the request target is not a valid URL")));
    return;
  }
  Prepared p;
  QString path = url.path();
  p.route = RouteOf(path, p.idText);
  p.responder = responder;
  p.cors = CorsHeaders(settings_, request);
  if (stopping_) {
    SendReply(responder, StoppingReply(std::move(p.cors)));
    return;
  }
  if (p.route.isEmpty()) {
    SendReply(responder, ErrorReply(404, "no such resource: " + path, p.cors));
    return;
  }
  if (auto refusal = Refusal(settings_, request, p.route, p.cors)) {
    SendReply(responder, *refusal);
    return;
  }
  if (p.route == QLatin1String("receipts") || p.route == QLatin1String("check")) {
    if (!PrepareBody(request, p)) return;
  }
  QMetaObject::invokeMethod(this, Queued([this, p = std::move(p)]() mutable { Dispatch(p); }),
                            Qt::QueuedConnection);
}

bool HttpFront::PrepareBody(HttpRequest& request, Prepared& p) {
  const bool check = p.route == QLatin1String("check");
  if (!check) {
    if (!WaitSeconds(request, p.wait)) {
      SendReply(
          p.responder,
          ErrorReply(
              400,
              QStringLiteral("wait must be a number of seconds from 0 to %1").arg(kMaxWaitSeconds),
              p.cors));
      return false;
    }
    p.key = request.value("Idempotency-Key").trimmed();
    if (!request.value("Idempotency-Key").isEmpty() && !ValidKey(p.key)) {
      SendReply(p.responder, ErrorReply(400,
                                        QStringLiteral("Idempotency-Key must be 1 to 255 visible "
                                                       "ASCII characters"),
                                        p.cors));
      return false;
    }
  }
  ReceiptBody body = ReceiptFromBody(request.value("Content-Type"), std::move(request.body));
  if (!body.ok) {
    SendReply(p.responder, ErrorReply(body.status, body.error, p.cors));
    return false;
  }
  if (check) {
    // Needs nothing of the driver's thread: answered here.
    SendReply(p.responder, Reply{200, CheckReceipt(folder_, body.fileBytes), p.cors});
    return false;
  }
  p.digest = QCryptographicHash::hash(body.fileBytes, QCryptographicHash::Sha256);
  p.fileBytes = std::move(body.fileBytes);
  p.budget = std::move(request.budget);
  return true;
}

void HttpFront::Dispatch(Prepared& p) {
  // A stop may have begun while it was prepared.
  if (stopping_) {
    SendReply(p.responder, StoppingReply(std::move(p.cors)));
    return;
  }
  if (p.route == QLatin1String("receipts")) {
    PostReceipt(p);
  } else if (p.route == QLatin1String("receipt")) {
    Reply reply = IsReceiptId(p.idText) ? StateReply(p.idText.toStdString())
                                        : ErrorReply(404, "no receipt " + p.idText);
    reply.headers.insert(reply.headers.end(), p.cors.begin(), p.cors.end());
    SendReply(p.responder, reply);
  } else {
    QJsonObject status = DriverStatus(folder_, view_);
    status["httpWaiting"] = static_cast<int>(store_.WaitingIds().size());
    SendReply(p.responder, Reply{200, status, p.cors});
  }
}

// ---------------------------------------------------------------- receipts

void HttpFront::PostReceipt(Prepared& p) {
  if (const StoredReceipt* earlier = store_.FindByKey(p.key.toStdString())) {
    // Lost: its file left the folder unanswered and no record of the driver
    // named it, so nothing of it reached the device (a receipt is recorded,
    // synced, before its first command). A power cut before its file was
    // placed leaves this too; the retry the key is for then prints it once.
    if (earlier->state != ReceiptState::Lost || earlier->digest != p.digest) {
      ReplayReceipt(*earlier, p.digest, p.wait, p.responder, std::move(p.cors));
      return;
    }
    const std::string lost = earlier->id;  // `earlier` goes with its entry
    Log("bon " + lost + " pierdut, trimis din nou cu aceeasi cheie");
    store_.Remove(lost);
  }
  QueueReceipt(p.key, p.digest, p.fileBytes, p.wait, p.responder, std::move(p.cors));
}

void HttpFront::ReplayReceipt(const StoredReceipt& earlier, const QByteArray& digest, int wait,
                              const HttpResponder& responder, HeaderPairs cors) {
  if (earlier.digest != digest) {
    SendReply(responder, ErrorReply(422,
                                    QStringLiteral("this Idempotency-Key was used for a "
                                                   "different receipt"),
                                    cors));
    return;
  }
  const std::string id = earlier.id;
  cors.push_back({"Idempotent-Replayed", "true"});
  if (earlier.state == ReceiptState::Queued) {
    WaitFor(id, wait, responder, std::move(cors));
  } else {
    Reply reply = StateReply(id);
    reply.headers.insert(reply.headers.end(), cors.begin(), cors.end());
    SendReply(responder, reply);
  }
}

void HttpFront::QueueReceipt(const QByteArray& key, const QByteArray& digest,
                             const std::string& fileBytes, int wait, const HttpResponder& responder,
                             HeaderPairs cors) {
  const uint64_t maxBytes = uint64_t(settings_.queueMegabytes) << 20;
  if (queue_.Count() >= size_t(settings_.queueReceipts) ||
      (queue_.Count() > 0 && queue_.Bytes() + fileBytes.size() > maxBytes)) {
    Reply reply = ErrorReply(503,
                             QStringLiteral("the queue is full: %1 receipts (%2 bytes) wait for "
                                            "the device, at most %3 receipts and %4 MB; nothing "
                                            "was queued, try again later")
                                 .arg(queue_.Count())
                                 .arg(queue_.Bytes())
                                 .arg(settings_.queueReceipts)
                                 .arg(settings_.queueMegabytes),
                             std::move(cors));
    reply.headers.push_back({"Retry-After", kQueueFullRetryAfter});
    SendReply(responder, reply);
    return;
  }
  const std::string id = NewReceiptId();
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  store_.Prune(now);
  store_.Add(StoredReceipt{id, key.toStdString(), digest, now, ReceiptState::Queued, {}});
  std::string error;
  // Under a key it is recorded for good before it is queued: a retry must never
  // find it missing, not even after a power cut. Without one it is recorded
  // soon, unsynced: after a power cut the start finds its receipt or answer
  // file in the folder.
  const bool recorded = key.isEmpty() || SaveStore(true);
  if (!recorded || !queue_.Enqueue(id, fileBytes, error)) {
    if (!recorded) error = "the Idempotency-Key store cannot be written";
    Log(error);
    store_.Remove(id);
    // A key recorded for good is freed for good before the refusal: its retry must be queued.
    if (!key.isEmpty() && recorded) {
      SaveStore(true);
    } else {
      SaveSoon();
    }
    SendReply(responder, ErrorReply(503,
                                    QStringLiteral("the receipt could not be queued: ") +
                                        QString::fromLocal8Bit(error.c_str()),
                                    cors));
    return;
  }
  if (!error.empty()) Log(error);  // in place, its folder not synced
  if (key.isEmpty()) SaveSoon();
  Log("bon " + id + " pus in coada");
  WaitFor(id, wait, responder, std::move(cors));
}

Reply HttpFront::StateReply(const std::string& id, const std::string* answer) {
  const StoredReceipt* r = store_.Find(id);
  // An answer in hand stands even when the store's bounds have already let it go.
  if (!r && !answer) return ErrorReply(404, "no receipt " + QString::fromStdString(id));
  const ReceiptState kept = answer ? ReceiptState::Answered : r->state;
  QJsonObject body;
  if (kept == ReceiptState::Answered) body = AnswerToJson(answer ? *answer : r->answer);
  body["id"] = QString::fromStdString(id);
  QString state = QString::fromLatin1(StateName(kept));
  if (kept == ReceiptState::Queued && view_.suffixInProgress && view_.suffixInProgress() == id &&
      queue_.ReceiptWaiting(id)) {
    state = QStringLiteral("processing");
  }
  if (kept == ReceiptState::Lost) {
    body["ok"] = false;
    body["message"] = QStringLiteral(
        "the receipt file was removed from the work folder before the driver answered it");
  }
  body["state"] = state;
  return Reply{200, body, {}};
}

void HttpFront::WaitFor(const std::string& id, int seconds, const HttpResponder& responder,
                        HeaderPairs cors) {
  // A client that leaves only stops waiting (the listener tells): its receipt
  // goes on and GET finds the answer.
  const uint64_t serial = responder.Id();
  waiters_[serial] = Waiter{id, responder, std::move(cors)};
  QTimer::singleShot(seconds * 1000, this, [this, serial] {
    auto it = waiters_.find(serial);
    if (it == waiters_.end()) return;
    Reply reply = StateReply(it->second.id);
    if (reply.body.value(QStringLiteral("state")).toString() != QLatin1String("answered")) {
      reply.status = 202;
    }
    reply.headers = it->second.cors;
    reply.headers.push_back({"Location", "/receipts/" + QByteArray::fromStdString(it->second.id)});
    reply.headers.push_back({"Retry-After", "1"});
    SendReply(it->second.responder, reply);
    waiters_.erase(it);
  });
}

void HttpFront::OnAnswered(const QString& qid, const QByteArray& answer) {
  const std::string id = qid.toStdString();
  const std::string whole = answer.toStdString();
  // The store keeps a bounded copy for later asks; the clients waiting get it whole.
  const bool known = store_.SetAnswered(id, whole, QDateTime::currentMSecsSinceEpoch());
  Log("bon " + id + " primit raspuns");
  // Served before the store's save: until that save is on the disk the answer
  // file stays, and a restart takes it again.
  Finish(id, &whole);
  if (known) releases_.push_back(id);
  SaveSoon();
}

void HttpFront::OnLost(const QString& qid) {
  const std::string id = qid.toStdString();
  // Not synced: after a power cut the receipt is queued again in the store,
  // and found lost again the same way.
  if (store_.SetLost(id, QDateTime::currentMSecsSinceEpoch())) {
    SaveSoon();
    Log("bon " + id + " sters din folder fara raspuns");
  }
  Finish(id);
}

bool HttpFront::SaveStore(bool durable) {
  saveTimer_.stop();
  std::string error;
  // A release removes the answer file, the other copy of its text: synced first.
  // Other changes may wait for a later sync: a lost or pruned receipt is found
  // so again after a power cut, one without a key from its files (Start).
  const bool saved = store_.Save(error, durable || !releases_.empty());
  if (!error.empty()) Log(error);
  if (!saved) {
    saveTimer_.start(kSaveRetryMs);
    return false;
  }
  for (const std::string& id : releases_) queue_.Release(id);
  releases_.clear();
  return true;
}

void HttpFront::SaveSoon() {
  if (!saveTimer_.isActive()) saveTimer_.start(kSaveDelayMs);
}

void HttpFront::Finish(const std::string& id, const std::string* answer) {
  const Reply state = StateReply(id, answer);
  for (auto it = waiters_.begin(); it != waiters_.end();) {
    if (it->second.id != id) {
      ++it;
      continue;
    }
    Reply reply = state;
    reply.headers = it->second.cors;
    SendReply(it->second.responder, reply);
    it = waiters_.erase(it);
  }
}

}  // namespace vorn
