#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTcpSocket>
#include <memory>
#include <vector>

#include "tests/integration/HttpFrontTest.h"

namespace vorn::itest {
namespace {

// Everything the server sends back until it closes, or until `quietMs` pass
// without a byte after the first response began.
struct Exchange {
  QByteArray bytes;
  bool closedByServer = false;
};

Exchange SendAndListen(const std::string& address, quint16 port, const QByteArray& request,
                       int quietMs = 700) {
  Exchange out;
  QTcpSocket socket;
  socket.connectToHost(QString::fromStdString(address), port);
  if (!socket.waitForConnected(5000)) return out;
  socket.write(request);
  QElapsedTimer quiet;
  quiet.start();
  DriverHarness::WaitFor(
      [&] {
        const QByteArray fresh = socket.readAll();
        if (!fresh.isEmpty()) quiet.restart();
        out.bytes += fresh;
        if (socket.state() == QAbstractSocket::UnconnectedState) {
          out.closedByServer = true;
          return true;
        }
        return !out.bytes.isEmpty() && quiet.elapsed() > quietMs;
      },
      20000);
  return out;
}

QByteArray Filler(int lines) {
  QByteArray out;
  for (int i = 0; i < lines; ++i) out += "X-Filler-" + QByteArray::number(i) + ": x\r\n";
  return out;
}

QByteArray SaleRequest(const std::string& host) {
  const QByteArray body = Text(kSale);
  return "POST /receipts?wait=0 HTTP/1.1\r\nHost: " + QByteArray::fromStdString(host) +
         "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
         "\r\n\r\n" + body;
}

TEST_F(HttpFrontTest, HeaderFloodNeverSmugglesASecondRequest) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  const QByteArray inner = SaleRequest(HostPort());
  const QByteArray evil = "Host: rebind.evil.example:" + QByteArray::number(httpPort_) + "\r\n";
  struct Case {
    const char* what;
    QByteArray request;
    QByteArray status;
    bool closes;
  } cases[] = {
      {"99 extra header lines, the sale as the body",
       "POST /receipts HTTP/1.1\r\n" + evil + Filler(99) +
           "Content-Length: " + QByteArray::number(inner.size()) + "\r\n\r\n" + inner,
       "HTTP/1.1 403", false},
      {"a header line of 100 KB, the sale pipelined after it",
       "POST /receipts HTTP/1.1\r\n" + evil + "X-Big: " + QByteArray(100 * 1024, 'a') +
           "\r\nContent-Length: 0\r\n\r\n" + inner,
       "HTTP/1.1 431", true},
      {"300 header lines, the sale pipelined after them",
       "GET /status HTTP/1.1\r\n" + evil + Filler(300) + "\r\n" + inner, "HTTP/1.1 431", true},
      {"no Host on HTTP/1.1, the sale pipelined after it", "GET /status HTTP/1.1\r\n\r\n" + inner,
       "HTTP/1.1 400", true},
      {"length and chunked together",
       "POST /receipts HTTP/1.1\r\n" + evil +
           "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n" + inner,
       "HTTP/1.1 400", true},
  };
  for (const Case& c : cases) {
    const Exchange got = SendAndListen(address_, httpPort_, c.request);
    EXPECT_TRUE(got.bytes.startsWith(c.status))
        << c.what << ": " << got.bytes.left(200).toStdString();
    EXPECT_EQ(got.bytes.count("HTTP/1.1 "), 1) << c.what << ": " << got.bytes.toStdString();
    if (c.closes) {
      EXPECT_TRUE(got.closedByServer) << c.what;
    }
  }
  DriverHarness::Pump(300);
  EXPECT_TRUE(Leftovers().empty());
  EXPECT_EQ(h.RollText().find("PAINE"), std::string::npos) << h.RollText();

  // With a token the same flood is refused before the token could be lost.
  h.StopDriver();
  WriteIni("Cheie=tok-9\r\n");
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  ASSERT_TRUE(DriverHarness::WaitFor(
      [&] { return CountOf(h.DriverOutput(), "http: asculta") == 2; }, 10000));
  const Exchange flood = SendAndListen(
      address_, httpPort_,
      "GET /status HTTP/1.1\r\nHost: a\r\n" + Filler(150) + "Authorization: Bearer tok-9\r\n\r\n");
  EXPECT_TRUE(flood.bytes.startsWith("HTTP/1.1 431")) << flood.bytes.left(200).toStdString();
}

TEST_F(HttpFrontTest, PipelinedRequestsAreEachAnsweredOnce) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  QByteArray many;
  for (int i = 0; i < 60; ++i) {
    many += "GET /status HTTP/1.1\r\nHost: localhost\r\n" + AuthLine() + "\r\n";
  }
  many += "HEAD /status HTTP/1.1\r\nHost: localhost\r\n" + AuthLine() + "\r\n";
  const Exchange got = SendAndListen(address_, httpPort_, many, 1500);
  EXPECT_EQ(got.bytes.count("HTTP/1.1 200 OK"), 60);
  EXPECT_TRUE(got.bytes.endsWith("Content-Length: 0\r\n\r\n"))
      << got.bytes.right(200).toStdString();
  EXPECT_FALSE(got.closedByServer);
}

TEST_F(HttpFrontTest, RequestsAreJudgedBeforeTheirBodyIsReadOrSetAside) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp("Cheie=tok-5\r\nMemorieCereriMB=4\r\n"));
  // Twenty announced bodies without the token: each refused at once, none waits
  // for its body or takes from the budget.
  const QByteArray unauthorised =
      "POST /receipts HTTP/1.1\r\nHost: localhost\r\n"
      "Expect: 100-continue\r\nContent-Length: 1048576\r\n\r\n";
  std::vector<std::unique_ptr<QTcpSocket>> held;
  for (int i = 0; i < 20; ++i) {
    held.push_back(std::make_unique<QTcpSocket>());
    held.back()->connectToHost(QString::fromStdString(address_), httpPort_);
    ASSERT_TRUE(held.back()->waitForConnected(5000));
    held.back()->write(unauthorised);
  }
  std::vector<QByteArray> replies(held.size());
  EXPECT_TRUE(DriverHarness::WaitFor([&] {
    int answered = 0;
    for (size_t i = 0; i < held.size(); ++i) {
      replies[i] += held[i]->readAll();
      answered += replies[i].contains("\r\n\r\n");
    }
    return answered == static_cast<int>(held.size());
  }));
  for (const QByteArray& r : replies) EXPECT_TRUE(r.startsWith("HTTP/1.1 401")) << r.toStdString();
  const HttpResult big =
      client_->Call("POST", "/check", QByteArray(1024 * 1024, '2'),
                    {{"Authorization", "Bearer tok-5"}, {"Content-Type", "text/plain"}});
  EXPECT_EQ(big.status, 200) << big.body.toStdString();

  // A client that only stops sending still reads its answer.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(httpPort_);
  inet_pton(AF_INET, address_.c_str(), &to.sin_addr);
  ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
  const std::string status =
      "GET /status HTTP/1.1\r\nHost: localhost\r\nAuthorization: Bearer tok-5\r\n\r\n";
  ASSERT_EQ(::write(fd, status.data(), status.size()), static_cast<ssize_t>(status.size()));
  ::shutdown(fd, SHUT_WR);
  std::string answer;
  char buf[4096];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
    answer.append(buf, static_cast<size_t>(n));
  ::close(fd);
  EXPECT_EQ(answer.rfind("HTTP/1.1 200 OK", 0), 0u) << answer;
}

TEST_F(HttpFrontTest, IdleConnectionsNeitherStallTheFolderNorExhaustFiles) {
  // A service's open-file limit may be small; the idle connections outnumber it.
  h.SetFileLimit(64);
  ASSERT_NO_FATAL_FAILURE(StartWithHttp("SecundeAntet=120\r\n"));
  std::vector<std::unique_ptr<QTcpSocket>> idle;
  for (int i = 0; i < 80; ++i) {
    idle.push_back(std::make_unique<QTcpSocket>());
    idle.back()->connectToHost(QString::fromStdString(address_), httpPort_);
  }
  // Past the cap the idle ones make room for newer ones: some are closed already.
  ASSERT_TRUE(DriverHarness::WaitFor([&] {
    for (const auto& s : idle) {
      if (s->state() == QAbstractSocket::HostLookupState ||
          s->state() == QAbstractSocket::ConnectingState) {
        return false;
      }
    }
    return true;
  }));
  ASSERT_TRUE(DriverHarness::WaitFor(
      [&] { return h.DriverOutput().find("limita de 32 conexiuni atinsa") != std::string::npos; },
      10000))
      << h.DriverOutput();
  const std::string answer = h.Run("1", kSale);
  EXPECT_EQ(answer.rfind("0 OK\r\nBON FISCAL NR.", 0), 0u) << answer << h.DriverOutput();

  // Once they go, the front serves again.
  idle.clear();
  const HttpResult status = client_->Call("GET", "/status");
  EXPECT_EQ(status.status, 200) << status.body.toStdString();
  EXPECT_TRUE(h.DriverRunning());
}

TEST_F(HttpFrontTest, SlowClientsAreClosedAndLargeBodiesShareABoundedBudget) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp("SecundeAntet=1\r\nMemorieCereriMB=4\r\n"));
  // A header block that never ends is cut off after its time.
  QTcpSocket slow;
  slow.connectToHost(QString::fromStdString(address_), httpPort_);
  ASSERT_TRUE(slow.waitForConnected(5000));
  slow.write("GET /status HTTP/1.1\r\nHost: localhost\r\n");
  EXPECT_TRUE(DriverHarness::WaitFor(
      [&] { return slow.state() == QAbstractSocket::UnconnectedState; }, 15000));

  // Ten bodies of 1 MB announced at once, each held half sent: four fit the
  // 4 MB budget, six are refused at once.
  const QByteArray head = "POST /receipts HTTP/1.1\r\nHost: localhost\r\n" + AuthLine() +
                          "Content-Type: text/plain\r\nContent-Length: 1048576\r\n\r\n";
  std::vector<std::unique_ptr<QTcpSocket>> large;
  for (int i = 0; i < 10; ++i) {
    large.push_back(std::make_unique<QTcpSocket>());
    large.back()->connectToHost(QString::fromStdString(address_), httpPort_);
    ASSERT_TRUE(large.back()->waitForConnected(5000));
    large.back()->write(head + QByteArray(512 * 1024, '2'));
  }
  std::vector<QByteArray> replies(large.size());
  const auto refused = [&] {
    int n = 0;
    for (size_t i = 0; i < large.size(); ++i) {
      replies[i] += large[i]->readAll();
      if (replies[i].startsWith("HTTP/1.1 503")) ++n;
    }
    return n;
  };
  EXPECT_TRUE(DriverHarness::WaitFor([&] { return refused() == 6; }, 15000)) << refused();
  for (const QByteArray& r : replies) {
    if (!r.isEmpty()) {
      EXPECT_TRUE(r.contains("\"status\":503")) << r.left(300).toStdString();
    }
  }
  // The budget comes back when they go: a whole 1 MB body is read and judged
  // (refused with 503 only until the server has seen them close).
  large.clear();
  HttpResult big;
  EXPECT_TRUE(DriverHarness::WaitFor([&] {
    big = client_->Call("POST", "/check", QByteArray(1024 * 1024, '2'), kPlain);
    return big.status != 503;
  }));
  EXPECT_EQ(big.status, 200) << big.body.toStdString();
  EXPECT_TRUE(h.DriverRunning());
}

}  // namespace
}  // namespace vorn::itest
