// The real driver's HTTP front and metrics listener against connections that
// ask for nothing, announce bodies they have no right to, or come too many
// from one address: an authorised request is still answered at once.
#include <QTcpSocket>
#include <memory>
#include <vector>

#include "tests/integration/HttpFrontTest.h"

namespace vorn::itest {
namespace {

const QByteArray kKey = "k-31";
const Headers kAuthorised = {{"Authorization", "Bearer " + kKey}, {"Content-Type", "text/plain"}};

class HttpAbuseTest : public HttpFrontTest {
 protected:
  // Both listeners, each with the key.
  void StartBoth(const std::string& httpKeys = {}) {
    ASSERT_TRUE(h.ListenTcpIn(kHttpSubnet, kFirstSearched, 250))
        << h.Sim().LastError().toStdString();
    address_ = h.Address();
    ASSERT_NO_FATAL_FAILURE(PickPorts());
    WriteIni("Cheie=" + kKey.toStdString() + "\r\n" + httpKeys +
             "[Metrici]\r\nActiv=DA\r\nAdresa=" + address_ + "\r\nPort=" +
             std::to_string(metricsPort_) + "\r\nCheie=" + kKey.toStdString() + "\r\n");
    ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
    ASSERT_TRUE(DriverHarness::WaitFor(
        [&] { return h.DriverOutput().find("metrici: asculta") != std::string::npos; }, 10000))
        << h.DriverOutput();
    client_ = std::make_unique<HttpClient>(Base());
  }
  QTcpSocket& Open(quint16 port) {
    sockets_.push_back(std::make_unique<QTcpSocket>());
    QObject::connect(sockets_.back().get(), &QTcpSocket::connected, [this] { ++connected_; });
    sockets_.back()->connectToHost(QString::fromStdString(address_), port);
    return *sockets_.back();
  }
  // What each socket received, once each holds a whole response head.
  std::vector<QByteArray> Heads() {
    std::vector<QByteArray> got(sockets_.size());
    DriverHarness::WaitFor([&] {
      bool all = true;
      for (size_t i = 0; i < sockets_.size(); ++i) {
        got[i] += sockets_[i]->readAll();
        all = all && got[i].contains("\r\n\r\n");
      }
      return all;
    });
    return got;
  }
  QByteArray Raw(quint16 port, const QByteArray& request) {
    return RawExchange(QString::fromStdString(address_), port, request);
  }

  std::vector<std::unique_ptr<QTcpSocket>> sockets_;
  int connected_ = 0;
};

TEST_F(HttpAbuseTest, PreflightsAnnouncingBodiesGetNoContinueAndHoldNoBudget) {
  ASSERT_NO_FATAL_FAILURE(StartBoth("MemorieCereriMB=4\r\nSecundeCorp=600\r\n"));
  // Four times the budget announced, none of it sent: had they taken it, the
  // sale below would get 503 for ten minutes.
  for (int i = 0; i < 16; ++i) {
    Open(httpPort_).write(
        "OPTIONS /receipts HTTP/1.1\r\nHost: localhost\r\nExpect: 100-continue\r\n"
        "Content-Length: 1048576\r\n\r\n");
  }
  for (const QByteArray& head : Heads()) {
    EXPECT_TRUE(head.startsWith("HTTP/1.1 204")) << head.toStdString();
    EXPECT_FALSE(head.contains("100 Continue")) << head.toStdString();
  }
  const HttpResult sale = Post(kSale, kAuthorised);
  EXPECT_EQ(sale.status, 200) << sale.body.toStdString();
  EXPECT_TRUE(sale.json["ok"].toBool()) << sale.body.toStdString();
  EXPECT_EQ(CountOf(h.RollText(), "PAINE ALBA"), 1);
}

TEST_F(HttpAbuseTest, HundredsOfIdleConnectionsNeitherStallAnswersNorStay) {
  ASSERT_NO_FATAL_FAILURE(StartBoth());
  for (int i = 0; i < 300; ++i) Open(httpPort_);
  // Half of them stop after the first byte of a request.
  for (int i = 0; i < 300; ++i) {
    QTcpSocket& s = Open(metricsPort_);
    if (i % 2) QObject::connect(&s, &QTcpSocket::connected, [&s] { s.write("G"); });
  }
  // Some are closed to make room before the last has connected.
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return connected_ == 600; })) << connected_;

  const HttpResult status = client_->Call("GET", "/status", {}, kAuthorised);
  EXPECT_EQ(status.status, 200) << status.body.toStdString();
  HttpClient scraper(
      QString::fromStdString("http://" + address_ + ":" + std::to_string(metricsPort_)));
  const HttpResult scrape = scraper.Call("GET", "/metrics", {}, kAuthorised);
  EXPECT_EQ(scrape.status, 200) << scrape.body.toStdString();
  // The front's own newcomers took the places of idle ones, and the scrape says so.
  EXPECT_NE(scrape.body.indexOf("vorndrv_http_connections_closed_total{reason=\"idle_at_cap\"} "),
            -1)
      << scrape.body.toStdString();
  EXPECT_EQ(
      scrape.body.indexOf("vorndrv_http_connections_closed_total{reason=\"idle_at_cap\"} 0\n"), -1)
      << scrape.body.toStdString();

  // Each was closed, as silent or to make room; none is left holding a place.
  EXPECT_TRUE(DriverHarness::WaitFor([&] {
    for (const auto& s : sockets_) {
      s->waitForReadyRead(0);
      if (s->state() != QAbstractSocket::UnconnectedState) return false;
    }
    return true;
  }));
  EXPECT_TRUE(h.DriverRunning());
}

TEST_F(HttpAbuseTest, OneAddressHoldsItsShareAndAnIdleOneMakesRoom) {
  ASSERT_NO_FATAL_FAILURE(StartBoth("MaxConexiuniAdresa=2\r\nSecundeCorp=300\r\n"));
  // Two bodies told to come and not sent yet hold their places.
  const QByteArray body = Text(kSale);
  const QByteArray check = "POST /check HTTP/1.1\r\nHost: localhost\r\nAuthorization: Bearer " +
                           kKey + "\r\nContent-Type: text/plain\r\nExpect: 100-continue\r\n" +
                           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
  QTcpSocket& first = Open(httpPort_);
  QTcpSocket& second = Open(httpPort_);
  first.write(check);
  second.write(check);
  for (const QByteArray& head : Heads()) {
    ASSERT_TRUE(head.startsWith("HTTP/1.1 100 Continue")) << head.toStdString();
  }
  const QByteArray status =
      "GET /status HTTP/1.1\r\nHost: localhost\r\nAuthorization: Bearer " + kKey + "\r\n\r\n";
  const QByteArray refused = Raw(httpPort_, status);
  EXPECT_TRUE(refused.startsWith("HTTP/1.1 503")) << refused.toStdString();
  EXPECT_TRUE(refused.contains("too many connections from this address")) << refused.toStdString();

  // Answered, the first stays open between requests, and gives way to a newcomer.
  first.write(body);
  QByteArray answer;
  ASSERT_TRUE(DriverHarness::WaitFor([&] {
    first.waitForReadyRead(10);
    answer += first.readAll();
    return answer.contains("\"kind\":\"FISCAL\"") && answer.endsWith("}");
  })) << answer.toStdString();
  const QByteArray admitted = Raw(httpPort_, status);
  EXPECT_TRUE(admitted.startsWith("HTTP/1.1 200")) << admitted.toStdString();
  EXPECT_EQ(second.state(), QAbstractSocket::ConnectedState);
}

TEST_F(HttpAbuseTest, RequestsEitherListenerMustNotAcceptAreRefusedPlainly) {
  ASSERT_NO_FATAL_FAILURE(StartBoth());
  const QByteArray key = "Authorization: Bearer " + kKey + "\r\n";
  struct Case {
    const char* what;
    bool metrics;
    QByteArray request;
    QByteArray status;
    QByteArray body;  // a part of it
  } cases[] = {
      {"a folded header line", false,
       "GET /status HTTP/1.1\r\nHost: localhost\r\n" + key + "X-A: 1\r\n 2\r\n\r\n", "HTTP/1.1 400",
       "folded"},
      {"the scheme in upper case", false,
       "GET /status HTTP/1.1\r\nHost: localhost\r\nAuthorization: BEARER " + kKey + "\r\n\r\n",
       "HTTP/1.1 200", "\"filesWaiting\""},
      {"a body on GET", false,
       "GET /status HTTP/1.1\r\nHost: localhost\r\n" + key + "Content-Length: 5\r\n\r\n",
       "HTTP/1.1 413", "takes no body"},
      {"metrics: a body over its own limit", true,
       "GET /metrics HTTP/1.1\r\nHost: localhost\r\n" + key + "Content-Length: 5000\r\n\r\n",
       "HTTP/1.1 413", "{\"error\":\"the body is larger than 4 KB\",\"status\":413}"},
      {"metrics: no token", true, "GET /metrics HTTP/1.1\r\nHost: localhost\r\n\r\n",
       "HTTP/1.1 401", "{\"error\":\"a valid bearer token is required\",\"status\":401}"},
  };
  for (const Case& c : cases) {
    const QByteArray got = Raw(c.metrics ? metricsPort_ : httpPort_, c.request);
    EXPECT_TRUE(got.startsWith(c.status)) << c.what << ": " << got.toStdString();
    EXPECT_TRUE(got.contains(c.body)) << c.what << ": " << got.toStdString();
    if (c.status != "HTTP/1.1 200") {
      EXPECT_TRUE(got.contains("Content-Type: application/json")) << c.what;
    }
  }
  EXPECT_TRUE(Leftovers().empty());
}

}  // namespace
}  // namespace vorn::itest
