// A stop of the real driver while HTTP clients wait: each gets 503 with its
// receipt's id before the process ends, the receipt stays queued and prints
// once at the next start.
#include <QNetworkReply>

#include "tests/integration/HttpFrontTest.h"

namespace vorn::itest {
namespace {

const std::vector<std::string> kInHand = {"1;DIN FOLDER;BUC;1;1;350;200000", "2;1;MULTUMIM",
                                          "5;350;1"};
const std::vector<std::string> kQueued = {"1;PRIN HTTP;BUC;1;1;100;100000", "5;100;1"};

class HttpStop : public HttpFrontTest {
 protected:
  // A folder receipt holds the device, the HTTP one waits behind it, and the
  // driver is told to stop; returns the waiting request.
  QNetworkReply* QueueBehindAHeldReceiptAndStop() {
    h.Sim().HoldReplyTo(QStringLiteral("3002"));
    h.DropReceipt("ONLINE1.TXT", kInHand);
    EXPECT_TRUE(DriverHarness::WaitFor([&] { return !h.Sim().HeldCommand().isEmpty(); }))
        << h.DriverOutput();
    QNetworkReply* waiting = client_->Start("POST", "/receipts?wait=30", Text(kQueued), kPlain);
    EXPECT_TRUE(DriverHarness::WaitFor([&] {
      return h.DriverOutput().find("pus in coada") != std::string::npos;
    })) << h.DriverOutput();
    h.TerminateDriver();
    EXPECT_TRUE(DriverHarness::WaitFor([&] {
      return h.DriverOutput().find("http: oprire") != std::string::npos;
    })) << h.DriverOutput();
    return waiting;
  }
  void Restart() {
    ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
    ASSERT_TRUE(DriverHarness::WaitFor(
        [&] { return CountOf(h.DriverOutput(), "http: asculta") == 2; }, 10000));
  }
  HttpResult AnsweredState(const QString& id) {
    HttpResult r;
    EXPECT_TRUE(DriverHarness::WaitFor([&] {
      r = client_->Call("GET", "/receipts/" + id);
      return r.json["state"].toString() == "answered";
    })) << r.body.toStdString();
    return r;
  }
  int QueuedFiles() const {
    int n = 0;
    for (const auto& name : h.List()) n += name.rfind("ONLINEH", 0) == 0 ? 1 : 0;
    return n;
  }
};

TEST_F(HttpStop, AWaitingClientGetsItsIdAtAStopAndTheReceiptPrintsOnceAfterTheRestart) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  QNetworkReply* waiting = QueueBehindAHeldReceiptAndStop();
  ASSERT_EQ(QueuedFiles(), 1);

  // During the stop: refused, and nothing more is queued.
  const HttpResult late = Post(kQueued);
  EXPECT_EQ(late.status, 503) << late.body.toStdString();
  EXPECT_FALSE(late.Header("Retry-After").isEmpty());
  EXPECT_FALSE(late.json.contains("id"));
  EXPECT_EQ(QueuedFiles(), 1);
  EXPECT_EQ(CountOf(h.DriverOutput(), "pus in coada"), 1);
  EXPECT_FALSE(waiting->isFinished());  // still waits for the job in hand

  h.Sim().ReleaseHeldReply();
  EXPECT_EQ(h.WaitDriverExit(10000), 0) << h.DriverOutput();
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return waiting->isFinished(); }));
  const HttpResult r = HttpClient::Finish(waiting);
  ASSERT_EQ(r.status, 503) << r.body.toStdString() << " error " << r.error;
  const QString id = r.json["id"].toString();
  ASSERT_TRUE(id.startsWith('H')) << r.body.toStdString();
  EXPECT_EQ(r.json["state"].toString(), "queued");
  EXPECT_TRUE(r.json["error"].toString().contains("next start")) << r.body.toStdString();
  EXPECT_FALSE(r.Header("Retry-After").isEmpty());
  EXPECT_EQ(r.Header("Location"), "/receipts/" + id.toLatin1());
  EXPECT_TRUE(h.Exists("ONLINE" + id.toStdString() + ".TXT"));
  EXPECT_EQ(h.ReadFile("ERROR1.TXT"), "0 OK\r\nBON FISCAL NR. 0001\r\n");
  EXPECT_EQ(CountOf(h.RollText(), "PRIN HTTP"), 0);

  ASSERT_NO_FATAL_FAILURE(Restart());
  const HttpResult got = AnsweredState(id);
  EXPECT_TRUE(got.json["ok"].toBool()) << got.body.toStdString();
  EXPECT_EQ(got.json["receiptNumber"].toString(), "0002");
  EXPECT_EQ(CountOf(h.RollText(), "PRIN HTTP"), 1) << h.RollText();
  EXPECT_TRUE(DriverHarness::WaitFor([&] { return QueuedFiles() == 0; }, 5000));
}

}  // namespace
}  // namespace vorn::itest
