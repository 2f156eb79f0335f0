#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QTcpSocket>
#include <QUrl>
#include <algorithm>
#include <memory>
#include <set>

#include "tests/integration/HttpFrontTest.h"

namespace vorn::itest {
namespace {

TEST_F(HttpFrontTest, SaleIsAnsweredWithItsReceiptNumber) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  const HttpResult r = Post(kSale);
  ASSERT_EQ(r.status, 200) << r.body.toStdString();
  EXPECT_TRUE(r.json["ok"].toBool()) << r.body.toStdString();
  EXPECT_EQ(r.json["message"].toString(), "0 OK");
  EXPECT_EQ(r.json["state"].toString(), "answered");
  const QString number = r.json["receiptNumber"].toString();
  EXPECT_FALSE(number.isEmpty()) << r.body.toStdString();
  EXPECT_TRUE(r.json["raw"].toString().startsWith("0 OK\r\nBON FISCAL NR. " + number + "\r\n"));
  EXPECT_EQ(CountOf(h.RollText(), "PAINE ALBA"), 1);

  // JSON in, UTF-8 text converted: the letter reaches the roll as its Windows-1252 byte.
  const HttpResult j = client_->Call(
      "POST", "/receipts",
      QString::fromUtf8(R"({"lines":["1;M\u00c2NCARE;BUC;1;1;100;100000","5;100;1"]})").toUtf8(),
      {{"Content-Type", "application/json"}});
  ASSERT_EQ(j.status, 200) << j.body.toStdString();
  EXPECT_TRUE(j.json["ok"].toBool()) << j.body.toStdString();
  EXPECT_NE(j.json["receiptNumber"].toString(), number);
  EXPECT_EQ(CountOf(h.RollText(), "M\xC3\x82NCARE"), 1) << h.RollText();  // the roll is UTF-8

  const HttpResult again = client_->Call("GET", "/receipts/" + r.json["id"].toString());
  EXPECT_EQ(again.status, 200);
  EXPECT_EQ(again.json["receiptNumber"].toString(), number);
  EXPECT_EQ(again.json["raw"], r.json["raw"]);

  const HttpResult status = client_->Call("GET", "/status");
  ASSERT_EQ(status.status, 200);
  EXPECT_TRUE(status.json["connected"].toBool());
  EXPECT_EQ(status.json["info"].toObject()["Stare"].toString(), "START PROCESARE");
  EXPECT_FALSE(status.json["model"].toString().isEmpty()) << status.body.toStdString();
  EXPECT_EQ(status.json["filesWaiting"].toInt(), 0);
  EXPECT_TRUE(status.json["warnings"].isArray());
  // The answer files of HTTP receipts are read and removed; the folder stays clean.
  EXPECT_TRUE(DriverHarness::WaitFor([&] { return Leftovers().empty(); }, 5000));
}

TEST_F(HttpFrontTest, RefusedReceiptCarriesTheValidationMessage) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  const HttpResult r = Post({"01;X"});
  ASSERT_EQ(r.status, 200);
  EXPECT_FALSE(r.json["ok"].toBool());
  EXPECT_EQ(r.json["code"].toInt(), 8006);
  EXPECT_EQ(r.json["message"].toString(), "8006;Comanda necunoscuta : 01;X");
  EXPECT_EQ(r.json["raw"].toString(), "1 ERROR\r\n8006;Comanda necunoscuta : 01;X\r\n");

  // The check gives the same message without a receipt file or a device.
  const HttpResult check = Post({"01;X"}, kPlain, "/check");
  EXPECT_EQ(check.status, 200);
  EXPECT_EQ(check.json["message"], r.json["message"]);
  // A client that asks before sending its body (curl does, for larger bodies) is told to go on.
  QTcpSocket socket;
  socket.connectToHost(QString::fromStdString(address_), httpPort_);
  ASSERT_TRUE(socket.waitForConnected(5000));
  const QByteArray body = Text(kSale);
  socket.write("POST /check HTTP/1.1\r\nHost: localhost\r\nExpect: 100-continue\r\n" + AuthLine() +
               "Content-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
               "\r\n\r\n");
  QByteArray got;
  EXPECT_TRUE(DriverHarness::WaitFor(
      [&] { return (got += socket.readAll()).contains("100 Continue\r\n\r\n"); }, 500));
  socket.write(body);
  EXPECT_TRUE(DriverHarness::WaitFor([&] { return (got += socket.readAll()).contains("FISCAL"); }))
      << got.toStdString();
  const HttpResult good = Post(kSale, kPlain, "/check");
  EXPECT_TRUE(good.json["ok"].toBool());
  EXPECT_EQ(good.json["kind"].toString(), "FISCAL");
  EXPECT_EQ(h.RollText().find("PAINE"), std::string::npos);
}

TEST_F(HttpFrontTest, RetryWithTheSameKeyPrintsOnceAndAnswersTheSame) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  const Headers keyed = {{"Content-Type", "text/plain"}, {"Idempotency-Key", "order-4711"}};
  const HttpResult first = Post(kSale, keyed);
  ASSERT_EQ(first.status, 200) << first.body.toStdString();
  const HttpResult second = Post(kSale, keyed);
  EXPECT_EQ(second.status, 200);
  EXPECT_EQ(second.json, first.json);
  EXPECT_EQ(second.Header("Idempotent-Replayed"), "true");
  EXPECT_EQ(CountOf(h.RollText(), "PAINE ALBA"), 1);

  // Another receipt under the same key is a client fault, not a second print.
  EXPECT_EQ(Post({"1;ALTCEVA;BUC;1;1;100;100000", "5;100;1"}, keyed).status, 422);

  // Kept across a restart of the driver.
  h.StopDriver();
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  ASSERT_TRUE(DriverHarness::WaitFor(
      [&] { return CountOf(h.DriverOutput(), "http: asculta") == 2; }, 10000));
  const HttpResult third = Post(kSale, keyed);
  EXPECT_EQ(third.json, first.json);
  EXPECT_EQ(CountOf(h.RollText(), "PAINE ALBA"), 1);
  EXPECT_EQ(CountOf(h.RollText(), "ALTCEVA"), 0);
}

TEST_F(HttpFrontTest, TwentyRequestsAtOnceGetTwentyAnswers) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  // One manager each: a manager keeps at most six connections to a host.
  std::vector<std::unique_ptr<HttpClient>> clients;
  std::vector<QNetworkReply*> replies;
  for (int i = 0; i < 20; ++i) {
    clients.push_back(std::make_unique<HttpClient>(Base(), token_));
    const std::string name = "ARTICOL " + std::to_string(100 + i);
    replies.push_back(clients.back()->Start(
        "POST", "/receipts", Text({"1;" + name + ";BUC;1;1;100;100000", "5;100;1"}), kPlain));
  }
  ASSERT_TRUE(DriverHarness::WaitFor(
      [&] {
        return std::all_of(replies.begin(), replies.end(),
                           [](QNetworkReply* r) { return r->isFinished(); });
      },
      120000));
  std::set<QString> numbers;
  for (QNetworkReply* reply : replies) {
    const HttpResult r = HttpClient::Finish(reply);
    EXPECT_EQ(r.status, 200) << r.body.toStdString();
    EXPECT_TRUE(r.json["ok"].toBool()) << r.body.toStdString();
    numbers.insert(r.json["receiptNumber"].toString());
  }
  EXPECT_EQ(numbers.size(), 20u);
  const std::string roll = h.RollText();
  for (int i = 0; i < 20; ++i) EXPECT_EQ(CountOf(roll, "ARTICOL " + std::to_string(100 + i)), 1);
}

TEST_F(HttpFrontTest, ClientThatLeavesWhileWaitingStillGetsItsReceiptOnce) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  {
    QTcpSocket socket;
    socket.connectToHost(QString::fromStdString(address_), httpPort_);
    ASSERT_TRUE(socket.waitForConnected(5000));
    const QByteArray body = Text(kSale);
    socket.write("POST /receipts HTTP/1.1\r\nHost: localhost\r\nContent-Type: text/plain\r\n" +
                 AuthLine() + "Idempotency-Key: leaving-1\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\n\r\n" + body);
    ASSERT_TRUE(socket.waitForBytesWritten(5000));
    // Queued is enough: the driver may take the file before a folder listing sees it.
    ASSERT_TRUE(DriverHarness::WaitFor(
        [&] { return h.DriverOutput().find("pus in coada") != std::string::npos; }));
    socket.abort();
  }
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return CountOf(h.RollText(), "PAINE ALBA") == 1; }));
  // Its retry finds the answer, and so does GET with the id the retry names.
  const HttpResult retry =
      Post(kSale, {{"Content-Type", "text/plain"}, {"Idempotency-Key", "leaving-1"}});
  ASSERT_EQ(retry.status, 200);
  EXPECT_TRUE(retry.json["ok"].toBool());
  const HttpResult got = client_->Call("GET", "/receipts/" + retry.json["id"].toString());
  EXPECT_EQ(got.json["state"].toString(), "answered");
  EXPECT_EQ(got.json["receiptNumber"], retry.json["receiptNumber"]);
  EXPECT_EQ(CountOf(h.RollText(), "PAINE ALBA"), 1);
  EXPECT_TRUE(h.DriverRunning());
}

TEST_F(HttpFrontTest, ReceiptRemovedFromTheFolderUnansweredIsLostAndQueuedAnewOnItsRetry) {
  // No device: the receipt file waits in the folder until someone removes it.
  // Below the searched addresses: no simulator of any run listens there.
  address_ = "127.0.60." + std::to_string(kFirstSearched - 1);
  ASSERT_NO_FATAL_FAILURE(PickPorts());
  WriteIni({});
  ASSERT_TRUE(h.StartDriver(kTimeScale, false)) << h.DriverOutput();
  ASSERT_TRUE(DriverHarness::WaitFor(
      [&] { return h.DriverOutput().find("http: asculta") != std::string::npos; }, 10000));
  ReadToken({});
  client_ = std::make_unique<HttpClient>(Base(), token_);
  const Headers keyed = {{"Content-Type", "text/plain"}, {"Idempotency-Key", "lost-1"}};
  const HttpResult queued = client_->Call("POST", "/receipts?wait=0", Text(kSale), keyed);
  ASSERT_EQ(queued.status, 202) << queued.body.toStdString();
  const QString id = queued.json["id"].toString();
  ASSERT_TRUE(
      QFile::remove(QString::fromStdString(h.PathOf("ONLINE" + id.toStdString() + ".TXT"))));
  HttpResult r;
  EXPECT_TRUE(DriverHarness::WaitFor(
      [&] {
        r = client_->Call("GET", "/receipts/" + id);
        return r.json["state"].toString() == "lost";
      },
      5000))
      << r.body.toStdString();
  EXPECT_FALSE(r.json["ok"].toBool());

  // Nothing of it reached the device: a retry under its key queues it anew.
  const HttpResult retry = client_->Call("POST", "/receipts?wait=0", Text(kSale), keyed);
  ASSERT_EQ(retry.status, 202) << retry.body.toStdString();
  const QString again = retry.json["id"].toString();
  EXPECT_NE(again, id);
  EXPECT_TRUE(h.Exists("ONLINE" + again.toStdString() + ".TXT"));
  // Another body under the key is still refused.
  EXPECT_EQ(
      client_->Call("POST", "/receipts?wait=0", Text({"1;X;BUC;1;1;100;100000", "5;100;1"}), keyed)
          .status,
      422);
}

TEST_F(HttpFrontTest, FileDroppedWhileHttpReceiptsWaitIsTakenAndTheirOrderKept) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  std::vector<QString> ids;
  for (int i = 0; i < 3; ++i) {
    const HttpResult r = client_->Call(
        "POST", "/receipts?wait=0",
        Text({"1;HTTP " + std::to_string(i) + ";BUC;1;1;100;100000", "5;100;1"}), kPlain);
    ASSERT_EQ(r.status, 202) << r.body.toStdString();
    EXPECT_EQ(r.Header("Location"), "/receipts/" + r.json["id"].toString().toLatin1());
    ids.push_back(r.json["id"].toString());
  }
  h.DropReceipt("ONLINEZZ.TXT", {"1;DIN FOLDER;BUC;1;1;100;100000", "5;100;1"});
  const HttpResult last = client_->Call("GET", "/receipts/" + ids.back());
  EXPECT_NE(last.json["state"].toString(), "answered");  // still waiting when the file came

  const auto answer = h.WaitForAnswer("ZZ");
  ASSERT_TRUE(answer.has_value());
  std::vector<int> numbers;
  for (const QString& id : ids) {
    HttpResult r;
    ASSERT_TRUE(DriverHarness::WaitFor([&] {
      r = client_->Call("GET", "/receipts/" + id);
      return r.json["state"].toString() == "answered";
    }));
    numbers.push_back(r.json["receiptNumber"].toString().toInt());
  }
  // The HTTP receipts print as they came.
  EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
  const size_t at = answer->find("BON FISCAL NR. ");
  ASSERT_NE(at, std::string::npos) << *answer;
  numbers.push_back(std::stoi(answer->substr(at + 15)));
  EXPECT_EQ(std::set<int>(numbers.begin(), numbers.end()).size(), 4u);
  // The application's own answer file is its own to read and remove.
  EXPECT_TRUE(h.Exists("ERRORZZ.TXT"));
}

}  // namespace
}  // namespace vorn::itest
