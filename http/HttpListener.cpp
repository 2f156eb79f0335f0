#include "http/HttpListener.h"

#include <QMetaObject>
#include <array>
#include <atomic>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <list>
#include <mutex>
#include <optional>
#include <thread>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "base/QueuedHandOff.h"
#include "http/BeastRequest.h"

namespace vorn {

namespace httpdetail {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Response = http::response<http::string_body>;

constexpr auto kWriteTimeout = std::chrono::seconds(30);
// After a refusal the client may still be sending; what it sends is read and
// dropped for a while, so that it gets to read the answer instead of a reset.
constexpr auto kLingerTimeout = std::chrono::seconds(3);
constexpr size_t kLingerBytes = 4 * 1024 * 1024;
// Out of descriptors: the pending connection stays in the backlog, so
// accepting again at once would only spin.
constexpr auto kAcceptRetry = std::chrono::milliseconds(250);
constexpr auto kLogEvery = std::chrono::seconds(10);

void Log(const std::string& line) {
  std::fprintf(stderr, "vorndrv: http: %s\n", line.c_str());
  std::fflush(stderr);
}

class Connection;

struct Server : std::enable_shared_from_this<Server> {
  Server(QObject* c, HttpLimits l, HttpListener::Handler h, HttpListener::Gone g,
         HttpListener::Admit a)
      : context(c), limits(l), handler(std::move(h)), gone(std::move(g)), admit(std::move(a)) {}

  bool Reserve(size_t bytes) {
    size_t now = buffered.load();
    do {
      if (now + bytes > limits.bufferedBytes) return false;
    } while (!buffered.compare_exchange_weak(now, now + bytes));
    return true;
  }
  // From either thread.
  void Release(size_t bytes) {
    if (bytes == 0) return;
    if (buffered.fetch_sub(bytes) == bytes) GiveBackMemory();
  }
  static void GiveBackMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
  }

  bool LogDue(std::chrono::steady_clock::time_point& last) {
    const auto now = std::chrono::steady_clock::now();
    if (now - last < kLogEvery) return false;
    last = now;
    return true;
  }

  void CountStatus(int status) {
    const std::lock_guard<std::mutex> lock(statusMutex);
    ++statuses[status];
  }

  void Accept();
  void AcceptLater(const beast::error_code& ec);
  void Accepted(tcp::socket socket);
  // Closes the connection idle the longest (of `address` when given); false when none is idle.
  bool EvictIdle(const asio::ip::address* address);
  // A connection left, or fell idle: a newcomer held back for want of room may come in.
  void RoomMade();
  void AdmitWaiting();
  bool CappedPerAddress(const asio::ip::address& address) const {
    return limits.capLoopback || !address.is_loopback();
  }
  // From any thread; the connection is looked up on the listener's.
  void PostResponse(std::weak_ptr<Connection> connection, uint64_t id, HttpResponse response);
  void Drain(HttpResponse response, std::chrono::milliseconds limit);
  void Stop();

  void WriteBegun() {
    const std::lock_guard<std::mutex> lock(drainMutex);
    ++writing;
  }
  void WriteEnded() {
    const std::lock_guard<std::mutex> lock(drainMutex);
    --writing;
    drained.notify_all();
  }

  QObject* context;
  const HttpLimits limits;
  const HttpListener::Handler handler;
  const HttpListener::Gone gone;
  const HttpListener::Admit admit;
  std::atomic<int> connections{0};
  std::atomic<size_t> buffered{0};
  std::atomic<bool> stopping{false};
  std::atomic<uint64_t> nextId{1};
  std::chrono::steady_clock::time_point lastCapLog{};
  std::chrono::steady_clock::time_point lastAcceptLog{};
  std::chrono::steady_clock::time_point lastBudgetLog{};
  // Accepted at the cap with no connection idle; accepting waits with it.
  std::optional<tcp::socket> waiting;
  // Connections whose request is with the owner: nothing else holds them then.
  std::map<Connection*, std::shared_ptr<Connection>> held;
  // Connections waiting on their client (silent, between requests, part-way
  // through a header), or lingering after a refusal: the first to go when room
  // is needed, the longest idle first.
  std::list<Connection*> idle;
  std::map<asio::ip::address, int> perAddress;
  std::atomic<uint64_t> closedSilent{0};
  std::atomic<uint64_t> closedIdleAtCap{0};
  std::atomic<uint64_t> refusedAddressCap{0};
  mutable std::mutex statusMutex;
  std::map<int, uint64_t> statuses;
  // Set on the listener's thread once a stop is under way; the answer then
  // given to what is still held or still arrives.
  std::optional<HttpResponse> closing;
  std::mutex drainMutex;
  std::condition_variable drained;
  int writing = 0;
  bool closed = false;

  // Guards `io` itself, which responders post to from other threads, against its end.
  std::mutex ioMutex;
  std::unique_ptr<asio::io_context> io = std::make_unique<asio::io_context>(1);
  std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work;
  std::optional<tcp::acceptor> acceptor;
  std::optional<asio::steady_timer> retry;
  std::thread thread;
};

class Connection : public std::enable_shared_from_this<Connection> {
 public:
  // `counted`: the connection takes one of its address's places.
  Connection(Server& server, tcp::socket socket, asio::ip::address address, bool counted)
      : server_(server),
        stream_(std::move(socket)),
        buffer_(server.limits.headerBytes + 8192),
        address_(std::move(address)),
        counted_(counted) {
    ++server_.connections;
    if (counted_) ++server_.perAddress[address_];
  }
  ~Connection() {
    server_.Release(reserved_);
    if (!server_.stopping) Leave();
  }

  const asio::ip::address& Address() const { return address_; }
  // Idle, and no byte of a next request already waiting to be read (what a
  // lingering one still gets is dropped anyway).
  bool Evictable() {
    beast::error_code ec;
    return lingering_ || (stream_.socket().available(ec) == 0 && !ec);
  }

  void Start() {
    SetOptions();
    ReadHeader();
  }

  // Its address holds all it may: told so, and closed.
  void StartRefused() {
    SetOptions();
    Refuse(503, "too many connections from this address; try again shortly");
  }

  // On the listener's thread.
  void Respond(uint64_t id, HttpResponse response) {
    if (id != awaiting_ || awaiting_ == 0 || !stream_.socket().is_open()) return;
    awaiting_ = 0;
    beast::error_code ignored;
    stream_.socket().cancel(ignored);
    Send(std::move(response));
    server_.held.erase(this);  // the write holds it now
  }

  // On the listener's thread, at a stop: the request still with the owner gets `response`.
  void RespondStopping(const HttpResponse& response) {
    keepAlive_ = false;
    Respond(awaiting_, response);
  }

  // Room is needed and this connection is idle.
  void Evict() {
    ++server_.closedIdleAtCap;
    Close();
  }

 private:
  void SetOptions() {
    beast::error_code ignored;
    stream_.socket().non_blocking(true, ignored);
    stream_.socket().set_option(tcp::no_delay(true), ignored);
  }

  void ReadHeader() {
    parser_.emplace();
    beastreq::ApplyLimits(*parser_, server_.limits);
    headerBy_ =
        std::chrono::steady_clock::now() + std::chrono::seconds(server_.limits.headerSeconds);
    ReadMoreHeader();
  }

  // The header block is read here rather than by Beast, so that its raw bytes
  // are checked first and a connection waiting on its client is known as idle.
  void ReadMoreHeader() {
    const std::string_view bytes(static_cast<const char*>(buffer_.data().data()), buffer_.size());
    if (const ParseRefusal r = beastreq::CheckHeaderBytes(bytes); r.status != 0) {
      return Refuse(r.status, r.reason);
    }
    if (!bytes.empty()) {
      beast::error_code ec;
      buffer_.consume(parser_->put(buffer_.data(), ec));
      if (ec && ec != http::error::need_more) return Failed(ec);
      if (parser_->is_header_done()) return OnHeader();
    }
    const size_t room = buffer_.max_size() - buffer_.size();
    if (room == 0) return Refuse(431, "the request's header block is too large");
    const bool idle = buffer_.size() == 0;
    if (idle && fresh_) {
      stream_.expires_after(std::chrono::seconds(
          std::min(server_.limits.silentSeconds, server_.limits.headerSeconds)));
    } else {
      stream_.expires_at(headerBy_);
    }
    // Also part-way through a header: a client that stops there holds its
    // place no better than a silent one.
    BecomeIdle();
    stream_.async_read_some(buffer_.prepare(std::min<size_t>(room, scratch_.size())),
                            [self = shared_from_this(), idle](beast::error_code ec, size_t n) {
                              self->StopIdle();
                              self->buffer_.commit(n);
                              if (ec) {
                                if (ec == beast::error::timeout && idle && self->fresh_)
                                  ++self->server_.closedSilent;
                                return self->Failed(ec);
                              }
                              self->fresh_ = false;
                              self->ReadMoreHeader();
                            });
  }

  void OnHeader() {
    version_ = parser_->get().version();
    head_ = parser_->get().method() == http::verb::head;
    headerFields_ = beastreq::FieldCount(*parser_);
    if (const ParseRefusal r = beastreq::CheckHeader(*parser_); r.status != 0) {
      return Refuse(r.status, r.reason);
    }
    HttpListener::Admission admission{std::nullopt, true};
    if (server_.admit) admission = server_.admit(beastreq::HeadOf(*parser_));
    if (admission.answer) {
      // With a body on its way the connection closes: the body is never read.
      keepAlive_ = parser_->is_done() && parser_->get().keep_alive();
      awaiting_ = 0;
      return Send(std::move(*admission.answer));
    }
    if (!admission.body && !parser_->is_done()) return Refuse(413, "this request takes no body");
    const size_t need = beastreq::BodyReservation(*parser_, server_.limits);
    if (!server_.Reserve(need)) {
      if (server_.LogDue(server_.lastBudgetLog)) {
        Log("prea multe cereri mari deodata; cererile noi primesc 503");
      }
      return Refuse(503, "too many large requests at once; try again shortly");
    }
    reserved_ = need;
    if (parser_->is_done()) return Deliver();
    if (beast::iequals(parser_->get()[http::field::expect], "100-continue")) {
      static const std::string kContinue = "HTTP/1.1 100 Continue\r\n\r\n";
      stream_.expires_after(kWriteTimeout);
      return asio::async_write(stream_, asio::buffer(kContinue),
                               [self = shared_from_this()](beast::error_code e, size_t) {
                                 if (e) return self->Close();
                                 self->ReadBody();
                               });
    }
    ReadBody();
  }

  void ReadBody() {
    stream_.expires_after(std::chrono::seconds(server_.limits.bodySeconds));
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code ec, size_t) {
                       if (ec) return self->Failed(ec);
                       self->Deliver();
                     });
  }

  // A timed-out stream is already closed; a malformed request gets its status.
  void Failed(beast::error_code ec) {
    const ParseRefusal r = beastreq::FromParseError(ec, server_.limits);
    if (r.status != 0 && stream_.socket().is_open()) return Refuse(r.status, r.reason);
    Close();
  }

  void Deliver() {
    // Fields after a chunked body would slip past the checks made on the header block.
    if (beastreq::FieldCount(*parser_) != headerFields_) {
      return Refuse(400, "trailer fields are not accepted");
    }
    if (server_.closing) {
      // The owner no longer takes requests; nothing of this one was queued.
      server_.Release(std::exchange(reserved_, 0));
      keepAlive_ = false;
      awaiting_ = 0;
      return Send(*server_.closing);
    }
    keepAlive_ = parser_->get().keep_alive();
    head_ = parser_->get().method() == http::verb::head;
    const uint64_t id = server_.nextId++;
    awaiting_ = id;
    auto request = std::make_shared<HttpRequest>(beastreq::ToRequest(parser_->release()));
    parser_.reset();
    // Whoever keeps the body's bytes (or what they became) keeps their share too.
    request->budget = std::shared_ptr<void>(
        nullptr, [server = server_.shared_from_this(),
                  reserved = std::exchange(reserved_, 0)](void*) { server->Release(reserved); });
    Server* server = &server_;
    HttpResponder responder(server_.weak_from_this(), weak_from_this(), id);
    server_.held[this] = shared_from_this();
    stream_.expires_never();
    QMetaObject::invokeMethod(server->context, Queued([server, request, responder]() mutable {
                                server->handler(*request, responder);
                                request.reset();
                              }),
                              Qt::QueuedConnection);
    WatchForLeave(id);
  }

  // While its answer is pending, a client that closes is noticed, so that the
  // owner stops waiting for it.
  void WatchForLeave(uint64_t id) {
    stream_.socket().async_wait(
        tcp::socket::wait_read, [self = shared_from_this(), id](beast::error_code ec) {
          if (ec || self->awaiting_ != id) return;
          char c = 0;
          beast::error_code peek;
          const size_t n =
              self->stream_.socket().receive(asio::buffer(&c, 1), tcp::socket::message_peek, peek);
          if (peek == asio::error::would_block || peek == asio::error::try_again) {
            return self->WatchForLeave(id);
          }
          if (!peek && n > 0) return;  // the next request, read after this answer
          if (peek == asio::error::eof) {
            // The client only stopped sending (a half-close): it still reads its answer.
            self->keepAlive_ = false;
            return;
          }
          self->awaiting_ = 0;
          Server* server = &self->server_;
          QMetaObject::invokeMethod(server->context, Queued([server, id] { server->gone(id); }),
                                    Qt::QueuedConnection);
          self->Close();
          server->held.erase(self.get());
        });
  }

  void Send(HttpResponse response) {
    auto res = std::make_shared<Response>(static_cast<http::status>(response.status), version_);
    for (auto& [name, value] : response.headers) res->insert(name, value);
    if (!head_) res->body() = std::move(response.body);  // a HEAD answer has no body
    res->keep_alive(keepAlive_);
    res->prepare_payload();
    Write(std::move(res), keepAlive_);
  }

  void Refuse(int status, const std::string& reason) {
    awaiting_ = 0;
    auto res =
        std::make_shared<Response>(static_cast<http::status>(status), version_ == 10 ? 10 : 11);
    res->set(http::field::content_type, "application/json; charset=utf-8");
    res->set(http::field::cache_control, "no-store");
    if (status == 503) res->set(http::field::retry_after, "1");
    res->body() = ErrorJson(status, reason);
    res->keep_alive(false);
    res->prepare_payload();
    Write(std::move(res), false);
  }

  void Write(std::shared_ptr<Response> res, bool keepAlive) {
    server_.CountStatus(static_cast<int>(res->result_int()));
    server_.WriteBegun();
    stream_.expires_after(kWriteTimeout);
    http::async_write(stream_, *res,
                      [self = shared_from_this(), res, keepAlive](beast::error_code ec, size_t) {
                        self->server_.WriteEnded();
                        if (ec) return self->Close();
                        if (!keepAlive) return self->Linger();
                        self->ReadHeader();
                      });
  }

  void Linger() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream_.expires_after(kLingerTimeout);
    lingering_ = true;
    BecomeIdle();
    Drain();
  }

  void Drain() {
    stream_.async_read_some(asio::buffer(scratch_),
                            [self = shared_from_this()](beast::error_code ec, size_t n) {
                              self->drained_ += n;
                              if (ec || self->drained_ > kLingerBytes) return self->Close();
                              self->Drain();
                            });
  }

  void Close() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.close();
    Leave();
  }

  void BecomeIdle() {
    if (idleAt_) return;
    idleAt_ = server_.idle.insert(server_.idle.end(), this);
    server_.RoomMade();
  }
  void StopIdle() {
    if (idleAt_) server_.idle.erase(*std::exchange(idleAt_, std::nullopt));
  }

  // Its descriptor is closed: its places are free, whatever still holds the object.
  void Leave() {
    StopIdle();
    if (left_) return;
    left_ = true;
    --server_.connections;
    if (counted_ && --server_.perAddress[address_] == 0) server_.perAddress.erase(address_);
    server_.RoomMade();
  }

  Server& server_;
  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  std::optional<beastreq::Parser> parser_;
  size_t reserved_ = 0;
  uint64_t awaiting_ = 0;
  unsigned version_ = 11;
  size_t headerFields_ = 0;
  bool keepAlive_ = false;
  bool head_ = false;
  std::array<char, 4096> scratch_{};
  size_t drained_ = 0;
  const asio::ip::address address_;
  const bool counted_;
  bool left_ = false;
  bool fresh_ = true;  // not a byte received yet
  bool lingering_ = false;
  std::chrono::steady_clock::time_point headerBy_;
  std::optional<std::list<Connection*>::iterator> idleAt_;
};

void Server::Accept() {
  if (stopping || closing) return;
  acceptor->async_accept([this](beast::error_code ec, tcp::socket socket) {
    if (stopping || ec == asio::error::operation_aborted) return;
    if (ec) return AcceptLater(ec);
    if (connections >= limits.maxConnections) {
      if (LogDue(lastCapLog)) {
        Log("limita de " + std::to_string(limits.maxConnections) +
            " conexiuni atinsa; conexiunile noi asteapta");
      }
      // The newcomer takes the place of the connection idle the longest; with
      // none idle it waits, unread, and the rest wait in the kernel's backlog,
      // holding none of our descriptors.
      if (!EvictIdle(nullptr)) {
        waiting.emplace(std::move(socket));
        return;
      }
    }
    Accepted(std::move(socket));
    Accept();
  });
}

void Server::AcceptLater(const beast::error_code& ec) {
  if (LogDue(lastAcceptLog)) Log("conexiune neacceptata: " + ec.message());
  retry->expires_after(kAcceptRetry);
  retry->async_wait([this](beast::error_code e) {
    if (!e) Accept();
  });
}

void Server::Accepted(tcp::socket socket) {
  beast::error_code ec;
  asio::ip::address address = socket.remote_endpoint(ec).address();
  if (ec) return;  // already gone
  if (address.is_v6() && address.to_v6().is_v4_mapped()) {
    address = asio::ip::make_address_v4(asio::ip::v4_mapped, address.to_v6());
  }
  const bool capped = CappedPerAddress(address);
  const auto full = [&] {
    const auto at = perAddress.find(address);
    return at != perAddress.end() && at->second >= limits.maxPerAddress;
  };
  if (capped && full() && !EvictIdle(&address)) {
    ++refusedAddressCap;
    // Not counted against its address: it only says why, and goes.
    std::make_shared<Connection>(*this, std::move(socket), address, false)->StartRefused();
    return;
  }
  std::make_shared<Connection>(*this, std::move(socket), address, capped)->Start();
}

bool Server::EvictIdle(const asio::ip::address* address) {
  for (Connection* c : idle) {
    if ((address && c->Address() != *address) || !c->Evictable()) continue;
    c->Evict();
    return true;
  }
  return false;
}

void Server::RoomMade() {
  // Later, not inside the connection that is leaving or falling idle.
  if (waiting && !stopping) asio::post(*io, [this] { AdmitWaiting(); });
}

void Server::AdmitWaiting() {
  if (!waiting || stopping || closing) return;
  if (connections >= limits.maxConnections && !EvictIdle(nullptr)) return;
  tcp::socket socket = std::move(*waiting);
  waiting.reset();
  Accepted(std::move(socket));
  Accept();
}

void Server::PostResponse(std::weak_ptr<Connection> connection, uint64_t id,
                          HttpResponse response) {
  const std::lock_guard<std::mutex> lock(ioMutex);
  if (!io) return;
  asio::post(*io, [connection = std::move(connection), id, r = std::move(response)]() mutable {
    if (const std::shared_ptr<Connection> c = connection.lock()) c->Respond(id, std::move(r));
  });
}

void Server::Drain(HttpResponse response, std::chrono::milliseconds limit) {
  if (!thread.joinable()) return;
  // Posted after the responses the owner has sent: those go out first.
  asio::post(*io, [this, r = std::move(response)]() mutable {
    closing = std::move(r);
    beast::error_code ignored;
    acceptor->close(ignored);
    waiting.reset();
    retry->cancel();
    for (auto& [raw, connection] : std::map(held)) connection->RespondStopping(*closing);
    const std::lock_guard<std::mutex> lock(drainMutex);
    closed = true;
    drained.notify_all();
  });
  std::unique_lock<std::mutex> lock(drainMutex);
  drained.wait_for(lock, limit, [this] { return closed && writing == 0; });
}

void Server::Stop() {
  stopping = true;
  if (thread.joinable()) {
    io->stop();
    thread.join();
  }
  // Handlers still queued own their connections; they go before the objects
  // their destructors use.
  held.clear();
  idle.clear();
  waiting.reset();
  retry.reset();
  acceptor.reset();
  work.reset();
  std::unique_ptr<asio::io_context> ended;
  {
    const std::lock_guard<std::mutex> lock(ioMutex);
    ended = std::move(io);
  }
}

}  // namespace httpdetail

void HttpResponder::Send(HttpResponse response) const {
  if (const auto server = server_.lock()) {
    server->PostResponse(connection_, id_, std::move(response));
  }
}

HttpListener::HttpListener(QObject* context, HttpLimits limits, Handler handler, Gone gone,
                           Admit admit)
    : server_(std::make_shared<httpdetail::Server>(context, limits, std::move(handler),
                                                   std::move(gone), std::move(admit))) {}

HttpListener::~HttpListener() { server_->Stop(); }

void HttpListener::Drain(HttpResponse stopping, std::chrono::milliseconds limit) {
  server_->Drain(std::move(stopping), limit);
}

bool HttpListener::Listen(const std::string& address, uint16_t port, std::string& error) {
  namespace asio = boost::asio;
  using tcp = asio::ip::tcp;
  httpdetail::Server& s = *server_;
  boost::system::error_code ec;
  const auto ip = asio::ip::make_address(address == "localhost" ? "127.0.0.1" : address, ec);
  if (ec) {
    error = address + ": " + ec.message();
    return false;
  }
  tcp::acceptor acceptor(*s.io);
  const tcp::endpoint endpoint(ip, port);
  acceptor.open(endpoint.protocol(), ec);
#ifdef _WIN32
  // There SO_REUSEADDR would let another program bind the same port and take our clients.
  using ExclusiveAddress = asio::detail::socket_option::boolean<SOL_SOCKET, SO_EXCLUSIVEADDRUSE>;
  if (!ec) acceptor.set_option(ExclusiveAddress(true), ec);
#else
  if (!ec) acceptor.set_option(asio::socket_base::reuse_address(true), ec);
#endif
  if (!ec) acceptor.bind(endpoint, ec);
  if (!ec) acceptor.listen(asio::socket_base::max_listen_connections, ec);
  if (ec) {
    error = address + ":" + std::to_string(port) + ": " + ec.message();
    return false;
  }
  port_ = acceptor.local_endpoint().port();
#if defined(__GLIBC__)
  // Bodies of up to 1 MB come and go; with a fixed threshold each is its own
  // mapping and goes back to the system when freed, instead of staying in the heap.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
  s.acceptor.emplace(std::move(acceptor));
  s.retry.emplace(*s.io);
  s.work.emplace(s.io->get_executor());
  asio::post(*s.io, [&s] { s.Accept(); });
  s.thread = std::thread([&s] { s.io->run(); });
  return true;
}

int HttpListener::Connections() const { return server_->connections; }
size_t HttpListener::BufferedBytes() const { return server_->buffered; }

ConnectionCloses HttpListener::Closes() const {
  return {server_->closedSilent, server_->closedIdleAtCap, server_->refusedAddressCap};
}

std::map<int, uint64_t> HttpListener::StatusCounts() const {
  const std::lock_guard<std::mutex> lock(server_->statusMutex);
  return server_->statuses;
}

}  // namespace vorn
