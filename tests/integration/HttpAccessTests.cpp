#include <QTcpSocket>

#include "tests/integration/HttpFrontTest.h"

namespace vorn::itest {
namespace {

TEST_F(HttpFrontTest, BadInputIsRefusedAndNothingIsQueued) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp("Cheie=tok-123\r\nOrigini=http://pos.example:8080\r\n"));
  const Headers auth = {{"Authorization", "Bearer tok-123"}, {"Content-Type", "text/plain"}};
  struct Case {
    const char* what;
    QByteArray method;
    QString path;
    QByteArray body;
    Headers headers;
    int status;
  } cases[] = {
      {"no token", "POST", "/receipts", Text(kSale), kPlain, 401},
      {"wrong token", "GET", "/status", {}, {{"Authorization", "Bearer tok-124"}}, 401},
      {"other origin",
       "POST",
       "/receipts",
       Text(kSale),
       {{"Authorization", "Bearer tok-123"}, {"Origin", "http://evil.example"}},
       403},
      {"wrong method", "GET", "/receipts", {}, auth, 405},
      {"wrong method on status", "DELETE", "/status", {}, auth, 405},
      {"binary body", "POST", "/receipts", QByteArray("1;A\0\x01", 5), auth, 400},
      {"broken JSON",
       "POST",
       "/receipts",
       "{\"lines\":",
       {{"Authorization", "Bearer tok-123"}, {"Content-Type", "application/json"}},
       400},
      {"form body",
       "POST",
       "/receipts",
       "a=b",
       {{"Authorization", "Bearer tok-123"}, {"Content-Type", "application/x-www-form-urlencoded"}},
       415},
      {"letter outside the code page",
       "POST",
       "/receipts",
       "2;\xC5\x91",
       {{"Authorization", "Bearer tok-123"}, {"Content-Type", "text/plain; charset=utf-8"}},
       422},
      {"half a surrogate pair",
       "POST",
       "/receipts",
       R"({"lines":["2;\ud800"]})",
       {{"Authorization", "Bearer tok-123"}, {"Content-Type", "application/json"}},
       400},
      {"wait out of range", "POST", "/receipts?wait=9999", Text(kSale), auth, 400},
      {"Prefer wait not a number",
       "POST",
       "/receipts",
       Text(kSale),
       {{"Authorization", "Bearer tok-123"}, {"Content-Type", "text/plain"}, {"Prefer", "wait=-1"}},
       400},
      {"unknown id", "GET", "/receipts/H0000000000000ABCD", {}, auth, 404},
      {"a path for an id", "GET", "/receipts/..%2FXVORNDRV.INI", {}, auth, 404},
      {"body over 1 MB", "POST", "/receipts", QByteArray(1024 * 1024 + 1, 'A'), auth, 413},
  };
  for (const Case& c : cases) {
    const HttpResult r = client_->Call(c.method, c.path, c.body, c.headers);
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.body.toStdString();
    if (r.status >= 400 && r.status != 413) {
      EXPECT_FALSE(r.json["error"].toString().isEmpty()) << c.what;
    }
  }
  // A declared length over the limit is refused before the body is sent.
  const QByteArray early =
      RawExchange(QString::fromStdString(address_), httpPort_,
                  "POST /receipts HTTP/1.1\r\nHost: a\r\nContent-Length: 50000000\r\n\r\n1;A");
  EXPECT_TRUE(early.startsWith("HTTP/1.1 413")) << early.toStdString();

  // An allowed origin gets its CORS headers, and its preflight needs no token.
  const HttpResult preflight =
      client_->Call("OPTIONS", "/receipts", {},
                    {{"Origin", "http://pos.example:8080"},
                     {"Access-Control-Request-Method", "POST"},
                     {"Access-Control-Request-Headers", "authorization,content-type"}});
  EXPECT_EQ(preflight.status, 204);
  EXPECT_EQ(preflight.Header("Access-Control-Allow-Origin"), "http://pos.example:8080");
  EXPECT_TRUE(preflight.Header("Access-Control-Allow-Methods").contains("POST"));
  EXPECT_TRUE(preflight.Header("Access-Control-Allow-Headers").contains("Authorization"));
  Headers fromPage = auth;
  fromPage.push_back({"Origin", "http://pos.example:8080"});
  const HttpResult status = client_->Call("GET", "/status", {}, fromPage);
  EXPECT_EQ(status.status, 200);
  EXPECT_EQ(status.Header("Access-Control-Allow-Origin"), "http://pos.example:8080");

  DriverHarness::Pump(300);
  EXPECT_TRUE(Leftovers().empty());
  EXPECT_EQ(h.RollText().find("PAINE"), std::string::npos);
  EXPECT_TRUE(h.DriverRunning());
}

TEST_F(HttpFrontTest, WithoutATokenOnlyThisMachineMayCall) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  const QByteArray rebound = RawExchange(
      QString::fromStdString(address_), httpPort_,
      "GET /status HTTP/1.1\r\nHost: evil.example:" + QByteArray::number(httpPort_) + "\r\n\r\n");
  EXPECT_TRUE(rebound.startsWith("HTTP/1.1 403")) << rebound.toStdString();

  // Any address beyond this machine wants a token; without one the front stays off.
  h.StopDriver();
  h.WriteRawIni("[Configurari]\r\nComunicatie=1\r\nIP=" + address_ +
                "\r\n[ServerHTTP]\r\nActiv=DA\r\nAdresa=0.0.0.0\r\nPort=" +
                std::to_string(metricsPort_) + "\r\n");
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  EXPECT_TRUE(DriverHarness::WaitFor(
      [&] {
        return h.DriverOutput().find(
                   "nu porneste: adresa 0.0.0.0 nu este locala si lipseste Cheie") !=
               std::string::npos;
      },
      5000))
      << h.DriverOutput();
  EXPECT_EQ(h.Run("1", kSale).rfind("0 OK", 0), 0u);  // the folder works as ever
}

}  // namespace
}  // namespace vorn::itest
