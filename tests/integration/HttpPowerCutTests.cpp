// The HTTP front after a power cut: the driver is killed while the device
// closes an HTTP receipt, the front's files are made as the cut would leave
// them, and the driver started again. The receipt prints once and its id and
// key get the answer the driver gives after the restart.
#include <QFile>

#include "tests/integration/HttpFrontTest.h"

namespace vorn::itest {
namespace {

const std::string kRestarted =
    "ATENTIE: driverul a fost repornit in timpul procesarii acestui fisier\r\n";

class HttpPowerCut : public HttpFrontTest {
 protected:
  // Posts the sale and kills the driver while the device closes its receipt.
  QString PostAndCutAtTheClose(const Headers& headers) {
    h.Sim().HoldReplyTo(QStringLiteral("3011"));
    const HttpResult queued = client_->Call("POST", "/receipts?wait=0", Text(kSale), headers);
    EXPECT_EQ(queued.status, 202) << queued.body.toStdString();
    EXPECT_TRUE(DriverHarness::WaitFor([&] { return !h.Sim().HeldCommand().isEmpty(); }))
        << h.DriverOutput();
    h.KillDriver();
    h.Sim().ReleaseHeldReply();
    return queued.json["id"].toString();
  }
  void Restart() {
    ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
    ASSERT_TRUE(DriverHarness::WaitFor(
        [&] { return CountOf(h.DriverOutput(), "http: asculta") == 2; }, 10000));
  }
  std::string Store() const { return h.ReadFile(kStoreName); }

  static constexpr const char* kStoreName = "VORNHTTP.DAT";
};

TEST_F(HttpPowerCut, AKeyedReceiptCutAtItsCloseIsAnsweredOnceOnItsRetry) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  const Headers keyed = {{"Content-Type", "text/plain"}, {"Idempotency-Key", "order-4711"}};
  const QString id = PostAndCutAtTheClose(keyed);
  ASSERT_FALSE(id.isEmpty());
  // The store's last record, torn on its way to the disk.
  h.DropRaw(kStoreName, Store() + "0badf00d " + id.toStdString() + "\tansw");

  ASSERT_NO_FATAL_FAILURE(Restart());
  const HttpResult retry = Post(kSale, keyed);
  ASSERT_EQ(retry.status, 200) << retry.body.toStdString();
  EXPECT_EQ(retry.json["id"].toString(), id);
  EXPECT_EQ(retry.json["raw"].toString().toStdString(),
            "0 OK\r\nBON FISCAL NR. 0001\r\n" + kRestarted);
  EXPECT_EQ(retry.Header("Idempotent-Replayed"), "true");
  EXPECT_EQ(CountOf(h.RollText(), "PAINE ALBA"), 1) << h.RollText();
  EXPECT_TRUE(DriverHarness::WaitFor([&] { return Leftovers().empty(); }, 5000));
  EXPECT_EQ(Store().find("0badf00d"), std::string::npos);  // rewritten at the start
}

TEST_F(HttpPowerCut, AReceiptTheStoreLostIsFollowedFromTheDriversRecord) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  const QString id = PostAndCutAtTheClose(kPlain);
  ASSERT_FALSE(id.isEmpty());
  // Without a key its record may not have reached the disk; its file is gone too.
  const std::string store = Store();
  if (const size_t at = store.find(id.toStdString()); at != std::string::npos) {
    h.DropRaw(kStoreName, store.substr(0, store.rfind('\n', at) + 1));
  }
  ASSERT_TRUE(
      QFile::remove(QString::fromStdString(h.PathOf("ONLINE" + id.toStdString() + ".TXT"))));

  ASSERT_NO_FATAL_FAILURE(Restart());
  // Decided by the driver from its own record: never lost meanwhile.
  HttpResult r;
  ASSERT_TRUE(DriverHarness::WaitFor([&] {
    r = client_->Call("GET", "/receipts/" + id);
    EXPECT_EQ(r.status, 200) << r.body.toStdString();
    EXPECT_NE(r.json["state"].toString(), "lost");
    return r.json["state"].toString() == "answered" || r.status != 200;
  }));
  EXPECT_EQ(r.json["raw"].toString().toStdString(), "0 OK\r\nBON FISCAL NR. 0001\r\n" + kRestarted);
  EXPECT_EQ(CountOf(h.RollText(), "PAINE ALBA"), 1) << h.RollText();
  EXPECT_TRUE(DriverHarness::WaitFor([&] { return Leftovers().empty(); }, 5000));
}

}  // namespace
}  // namespace vorn::itest
