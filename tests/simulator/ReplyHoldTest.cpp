// The simulator's reply hold, by which tests stop the driver at an exact point.
#include <gtest/gtest.h>

#include "base/Clock.h"
#include "device/TXvornLinux.h"
#include "simulator/FiscalSimulator.h"

namespace {

TEST(ReplyHold, CarriesTheCommandOutAndHoldsOnlyItsReply) {
  vorn::SetTimeScale(0.02);
  vorn::sim::FiscalSimulator sim;
  sim.StartOwnThread();  // the link blocks on the test's thread, as on the worker
  ASSERT_TRUE(sim.ListenTcp("127.0.30.70", 0)) << sim.LastError().toStdString();
  vorn::TXvornLinux link(true, true);
  link.SetTcpPort(sim.TcpPort());
  ASSERT_TRUE(link.OpenLink(1, 0, "127.0.30.70"));

  EXPECT_EQ(sim.ApplyControl("hold"), "ERR expected a command code and a count");
  EXPECT_EQ(sim.ApplyControl("hold-nth 0"), "ERR expected a number 1 or more");
  EXPECT_EQ(sim.ApplyControl("held"), "NONE");

  // The second cash-in is made on the device, but its reply never comes.
  ASSERT_EQ(sim.ApplyControl("hold 7106D 2"), "OK");
  ASSERT_TRUE(link.CashOperation("D", 100));
  EXPECT_FALSE(link.CashOperation("D", 200));
  EXPECT_EQ(sim.ApplyControl("held").left(10), "HELD 7106D");
  EXPECT_EQ(sim.DrawerCashBani(), 300);

  EXPECT_EQ(sim.ApplyControl("release"), "OK");
  EXPECT_EQ(sim.ApplyControl("held"), "NONE");
  link.CloseLink();

  // The Nth command of any kind, on a new connection.
  ASSERT_TRUE(link.OpenLink(1, 0, "127.0.30.70"));
  ASSERT_EQ(sim.ApplyControl("hold-nth 2"), "OK");
  EXPECT_TRUE(link.ReadReceiptState());
  EXPECT_FALSE(link.ReadReceiptState());
  EXPECT_EQ(sim.HeldCommand(), "1112");
  link.CloseLink();
  vorn::SetTimeScale(1.0);
}

}  // namespace
