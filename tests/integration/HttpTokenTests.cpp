// Without a Cheie the front is no wider than the folder: it wants the token
// the driver keeps there, and settings that would open it further need a Cheie.
#include <sys/stat.h>

#include "tests/integration/HttpFrontTest.h"

namespace vorn::itest {
namespace {

TEST_F(HttpFrontTest, WithoutCheieOnlyWhoReadsTheFolderTokenMayCall) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  EXPECT_EQ(CountOf(h.DriverOutput(), "http: cheie noua in VORNHTTP.KEY"), 1) << h.DriverOutput();
  ASSERT_EQ(token_.size(), 64) << token_.toStdString();
  struct stat st {};
  ASSERT_EQ(::stat(h.PathOf("VORNHTTP.KEY").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  HttpClient stranger(Base());
  for (const Headers& headers :
       {kPlain, Headers{{"Authorization", "Bearer " + QByteArray(64, 'a')}}}) {
    const HttpResult r = stranger.Call("POST", "/receipts", Text(kSale), headers);
    EXPECT_EQ(r.status, 401) << r.body.toStdString();
    EXPECT_EQ(r.Header("WWW-Authenticate"), "Bearer");
  }
  const HttpResult sale = Post(kSale);
  ASSERT_EQ(sale.status, 200) << sale.body.toStdString();
  EXPECT_TRUE(sale.json["ok"].toBool()) << sale.body.toStdString();
  EXPECT_EQ(CountOf(h.RollText(), "PAINE ALBA"), 1);

  // Kept across a restart: a client that read it once goes on calling.
  h.StopDriver();
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  ASSERT_TRUE(DriverHarness::WaitFor(
      [&] { return CountOf(h.DriverOutput(), "http: asculta") == 2; }, 10000));
  EXPECT_EQ(QByteArray::fromStdString(h.ReadFile("VORNHTTP.KEY")), token_);
  EXPECT_EQ(CountOf(h.DriverOutput(), "cheie noua"), 1) << h.DriverOutput();
  EXPECT_EQ(client_->Call("GET", "/status").status, 200);
  EXPECT_EQ(stranger.Call("GET", "/status").status, 401);
  EXPECT_EQ(CountOf(h.RollText(), "PAINE ALBA"), 1);
}

TEST_F(HttpFrontTest, SettingsWiderThanTheFolderWantACheie) {
  ASSERT_TRUE(h.ListenTcpIn(kHttpSubnet, kFirstSearched, 250)) << h.Sim().LastError().toStdString();
  address_ = h.Address();
  ASSERT_NO_FATAL_FAILURE(PickPorts());
  const std::string device = "[Configurari]\r\nComunicatie=1\r\nIP=" + address_ + "\r\n";
  h.WriteRawIni(device + "[ServerHTTP]\r\nActiv=DA\r\nAdresa=" + address_ +
                "\r\nPort=" + std::to_string(httpPort_) +
                "\r\nOrigini=*\r\n[Metrici]\r\nActiv=DA\r\nAdresa=0.0.0.0\r\nPort=" +
                std::to_string(metricsPort_) + "\r\n");
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  for (const char* reason :
       {"http: serverul HTTP nu porneste: Origini=* si lipseste Cheie",
        "metrici: serverul nu porneste: adresa 0.0.0.0 nu este locala si lipseste Cheie"}) {
    EXPECT_TRUE(DriverHarness::WaitFor(
        [&] { return h.DriverOutput().find(reason) != std::string::npos; }, 5000))
        << reason << "\n"
        << h.DriverOutput();
  }
  EXPECT_EQ(h.Run("1", kSale).rfind("0 OK", 0), 0u);  // the folder works as ever
  EXPECT_EQ(h.DriverOutput().find("asculta"), std::string::npos) << h.DriverOutput();
  EXPECT_EQ(RawExchange(QString::fromStdString(address_), httpPort_,
                        "GET /status HTTP/1.1\r\nHost: localhost\r\n\r\n", 2000),
            QByteArray());

  // With a Cheie any origin may call, but never "null": a sandboxed frame or a
  // local file, which any page can make.
  h.StopDriver();
  ASSERT_NO_FATAL_FAILURE(StartWithHttp("Cheie=k-77\r\nOrigini=*\r\n"));
  EXPECT_FALSE(h.Exists("VORNHTTP.KEY"));
  const Headers keyed = {{"Authorization", "Bearer k-77"}};
  Headers fromNull = keyed;
  fromNull.push_back({"Origin", "null"});
  EXPECT_EQ(client_->Call("GET", "/status", {}, fromNull).status, 403);
  Headers fromSite = keyed;
  fromSite.push_back({"Origin", "https://pos.example"});
  const HttpResult site = client_->Call("GET", "/status", {}, fromSite);
  EXPECT_EQ(site.status, 200);
  EXPECT_EQ(site.Header("Access-Control-Allow-Origin"), "https://pos.example");
  EXPECT_EQ(CountOf(h.RollText(), "PAINE ALBA"), 1);
}

}  // namespace
}  // namespace vorn::itest
