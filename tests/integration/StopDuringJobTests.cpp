// A stop request while the device holds a reply ends the real driver only
// after the job in hand: the receipt is answered, then the status file says
// the driver is closed, then the process ends.
#include <gtest/gtest.h>

#include "DriverTest.h"
#include "HttpFrontTest.h"

namespace vorn::itest {
namespace {

const std::vector<std::string> kReceipt = {
    "1;PAINE ALBA;BUC;1;1;350;200000",
    "2;1;MULTUMIM",
    "5;350;1",
};

using StopDuringJobTest = DriverTest;

TEST_F(StopDuringJobTest, SigtermDuringAHeldReceiptEndsAfterItsAnswer) {
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  h.Sim().HoldReplyTo(QStringLiteral("3002"));
  h.DropReceipt("ONLINE1.TXT", kReceipt);
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return !h.Sim().HeldCommand().isEmpty(); }))
      << h.DriverOutput();

  h.TerminateDriver();
  DriverHarness::Pump(300);
  EXPECT_TRUE(h.DriverRunning());
  EXPECT_EQ(h.ReadFile("VORNDRV.INFO").find("DRIVER INCHIS"), std::string::npos);
  EXPECT_FALSE(h.Exists("ERROR1.TXT"));

  h.Sim().ReleaseHeldReply();
  EXPECT_EQ(h.WaitDriverExit(10000), 0) << h.DriverOutput();
  EXPECT_EQ(h.ReadFile("ERROR1.TXT"), "0 OK\r\nBON FISCAL NR. 0001\r\n");
  EXPECT_NE(h.ReadFile("VORNDRV.INFO").find("DRIVER INCHIS"), std::string::npos);
  EXPECT_FALSE(h.Exists("ONLINE1.TXT"));
}

TEST_F(StopDuringJobTest, SigtermWhileIdleEndsAtOnce) {
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  h.TerminateDriver();
  EXPECT_EQ(h.WaitDriverExit(5000), 0) << h.DriverOutput();
  EXPECT_NE(h.ReadFile("VORNDRV.INFO").find("DRIVER INCHIS"), std::string::npos);
}

// The HTTP front is served by the main thread, which never waits for the device.
TEST_F(HttpFrontTest, StatusIsAnsweredWhileAReceiptWaitsForAHeldReply) {
  ASSERT_NO_FATAL_FAILURE(StartWithHttp());
  h.Sim().HoldReplyTo(QStringLiteral("3002"));
  h.DropReceipt("ONLINE1.TXT", kReceipt);
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return !h.Sim().HeldCommand().isEmpty(); }));
  const HttpResult status = client_->Call("GET", "/status");
  EXPECT_EQ(status.status, 200);
  EXPECT_NE(status.body.indexOf("\"connected\":true"), -1) << status.body.toStdString();
  EXPECT_FALSE(h.Exists("ERROR1.TXT"));
  h.Sim().ReleaseHeldReply();
  EXPECT_EQ(h.WaitForAnswer("1").value_or("<timeout>"), "0 OK\r\nBON FISCAL NR. 0001\r\n");
}

}  // namespace
}  // namespace vorn::itest
