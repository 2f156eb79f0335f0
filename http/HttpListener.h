#pragma once
// HTTP/1.1 on a thread of its own (Boost.Beast over Asio): strict parsing within
// limits, capped connections (in all and per client address; idle ones give way
// to new ones), deadlines on every read. Each complete request is handed to the
// owner's thread; the owner answers when it likes, from there.
#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "http/HttpLimits.h"
#include "http/HttpRequest.h"

namespace vorn {

struct HttpResponse {
  int status = 200;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
};

namespace httpdetail {
struct Server;
class Connection;
}  // namespace httpdetail

// Sends the one response of one request; safe from any thread, ignored once
// the client has gone or the response was sent.
class HttpResponder {
 public:
  HttpResponder() = default;
  uint64_t Id() const { return id_; }
  void Send(HttpResponse response) const;

 private:
  friend class httpdetail::Connection;
  HttpResponder(std::weak_ptr<httpdetail::Server> s, std::weak_ptr<httpdetail::Connection> c,
                uint64_t id)
      : server_(std::move(s)), connection_(std::move(c)), id_(id) {}
  // The connection is only ever locked on the listener's thread, so that it
  // also ends there.
  std::weak_ptr<httpdetail::Server> server_;
  std::weak_ptr<httpdetail::Connection> connection_;
  uint64_t id_ = 0;
};

// Connections the listener closed to protect itself, by why.
struct ConnectionCloses {
  uint64_t silent = 0;      // no byte within their first seconds
  uint64_t idleAtCap = 0;   // idle, making room for a new connection
  uint64_t addressCap = 0;  // refused: their address held all it may
};

class HttpListener {
 public:
  // Both run on `context`'s thread. `gone`: the client of a request not yet
  // answered has closed its connection. The handler may move the body and its
  // budget out of the request; the budget is given back when they are dropped.
  using Handler = std::function<void(HttpRequest&, HttpResponder)>;
  using Gone = std::function<void(uint64_t id)>;
  // What the owner makes of a request from its header block alone.
  struct Admission {
    // Sent at once (a refusal, a preflight's answer); the request goes no
    // further, and a body on its way is never read.
    std::optional<HttpResponse> answer;
    // Only such a request may carry a body, get `100 Continue` and take from
    // the body budget; a body on any other is refused.
    bool body = false;
  };
  // Runs on the listener's thread as soon as a request's header block is read,
  // before any body byte is read or set aside. Must be safe on that thread.
  // Without one, every request is admitted with its body.
  using Admit = std::function<Admission(const HttpRequest& head)>;

  HttpListener(QObject* context, HttpLimits limits, Handler handler, Gone gone, Admit admit = {});
  ~HttpListener();
  HttpListener(const HttpListener&) = delete;
  HttpListener& operator=(const HttpListener&) = delete;

  // Binds and starts the thread; false with `error` when the address cannot be used.
  bool Listen(const std::string& address, uint16_t port, std::string& error);
  uint16_t Port() const { return port_; }
  // At a stop, from the owner's thread: stops accepting, answers every request
  // still with the owner (and any that arrives) with `stopping`, and returns
  // once the responses sent so far are written, or at `limit`. Responses the
  // owner sends before it are written first.
  void Drain(HttpResponse stopping, std::chrono::milliseconds limit);
  // Open connections and body bytes set aside now (for status and tests).
  int Connections() const;
  size_t BufferedBytes() const;
  // Responses sent so far, by status.
  std::map<int, uint64_t> StatusCounts() const;
  ConnectionCloses Closes() const;

 private:
  std::shared_ptr<httpdetail::Server> server_;
  uint16_t port_ = 0;
};

}  // namespace vorn
