// The link against the device simulator, over TCP and over a pseudo-terminal.
#include <gtest/gtest.h>

#include "base/Clock.h"
#include "device/SerialPorts.h"
#include "device/TXvornLinux.h"
#include "simulator/FiscalSimulator.h"
#include "tests/device/LinkOk.h"

namespace vorn {
namespace {

class SimulatorSmokeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTimeScale(0.05);
    sim_.StartOwnThread();  // the link blocks on the test's thread, as on the worker
  }
  void TearDown() override {
    SetTimeScale(1.0);
    SetSerialPortMap({});
  }
  sim::FiscalSimulator sim_;
};

TEST_F(SimulatorSmokeTest, StatusAndClockOverTcp) {
  ASSERT_TRUE(sim_.ListenTcp(QStringLiteral("127.0.0.1"), 0));
  TXvornLinux link(true, false);
  link.SetTcpPort(sim_.TcpPort());
  ASSERT_TRUE(link.OpenLink(1, 0, "127.0.0.1"));
  EXPECT_TRUE(vorn::test::Ok(link.ReadStatus(false)));
  const LinkResult<std::string> now = link.ReadDateTime();
  EXPECT_TRUE(now) << now.error.text;
  EXPECT_EQ(now.value.size(), 10u);
  sim_.SetPaperOut(true);
  EXPECT_TRUE(vorn::test::Ok(link.ReadStatus(false)));
  EXPECT_TRUE(link.IsPaperOut());
}

TEST_F(SimulatorSmokeTest, RefusalAndNakOverTcp) {
  ASSERT_TRUE(sim_.ListenTcp(QStringLiteral("127.0.0.1"), 0));
  TXvornLinux link(true, false);
  link.SetTcpPort(sim_.TcpPort());
  ASSERT_TRUE(link.OpenLink(1, 0, "127.0.0.1"));
  sim_.RefuseNextCommand(16);
  const LinkStatus refused = link.Subtotal();
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.error.text,
            "16;Eroare lipsa hartie \x96"
            " inlocuiti rola de hartie");
  sim_.NakNextFrames(3);
  const LinkStatus nacked = link.Subtotal();
  EXPECT_FALSE(nacked);
  EXPECT_EQ(nacked.error.text, "8047;NACK");
}

#ifndef _WIN32  // pseudo-terminals
TEST_F(SimulatorSmokeTest, StatusOverAPseudoTerminal) {
  const QString path = sim_.OpenPseudoTerminal();
  if (path.isEmpty()) GTEST_SKIP() << "no pseudo-terminal here";
  SetSerialPortMap({{7, path.toStdString()}});
  TXvornLinux link(false, false);
  ASSERT_TRUE(link.OpenLink(7, 0, ""));
  const LinkResult<std::string> now = link.ReadDateTime();
  EXPECT_TRUE(now) << now.error.text;
  EXPECT_TRUE(vorn::test::Ok(link.ReadStatus(false)));
  link.CloseLink();
}
#endif

}  // namespace
}  // namespace vorn
