// Raw bytes against the simulator: garbage, half frames, clients that leave
// mid-reply, and the control channel.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <functional>

#include "base/Clock.h"
#include "simulator/FiscalSimulator.h"
#include "tests/LoopbackAddress.h"

using vorn::sim::FiscalSimulator;

namespace {

const QByteArray kStatus1209(
    "\x02"
    "0001209"
    "48\x03");
const QByteArray kReply1209Paper(
    "\x06\x02"
    "0001209"
    "010000"
    "37\x03");

bool WaitFor(const std::function<bool()>& done, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  return done();
}

// Connects and collects everything the simulator sends.
struct RawClient {
  QTcpSocket socket;
  QByteArray received;
  RawClient(const QString& host, quint16 port) {
    QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
    socket.connectToHost(host, port);
    WaitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; });
  }
  QByteArray Ask(const QByteArray& frame) {
    received.clear();
    socket.write(frame);
    WaitFor([this] { return received.size() > 10 && received.endsWith('\x03'); });
    return received;
  }
};

class SimRaw : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sim.ListenTcp("127.0.0.24", 0)); }
  FiscalSimulator sim;
};

}  // namespace

TEST_F(SimRaw, GarbageAndHalfFramesLeaveItServing) {
  sim.SetPaperOut(true);
  {
    RawClient c("127.0.0.24", sim.TcpPort());
    QByteArray noise;
    uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i) {
      x = x * 1103515245u + 12345u;
      noise += static_cast<char>(x >> 24);
    }
    c.socket.write(noise);
    c.socket.write(
        "\x02"
        "00012");  // a half frame, then gone
    WaitFor([&] { return c.socket.bytesToWrite() == 0; });
  }
  RawClient next("127.0.0.24", sim.TcpPort());
  EXPECT_EQ(next.Ask(kStatus1209), kReply1209Paper);
  // A frame split into single bytes is still one frame.
  next.received.clear();
  for (char b : kStatus1209) {
    next.socket.write(&b, 1);
    next.socket.flush();
    WaitFor([] { return false; }, 2);
  }
  WaitFor([&] { return next.received.endsWith('\x03'); });
  EXPECT_EQ(next.received, kReply1209Paper);
}

TEST_F(SimRaw, BadChecksumIsAnsweredWithNak) {
  RawClient c("127.0.0.24", sim.TcpPort());
  EXPECT_EQ(c.Ask("\x02"
                  "0001209"
                  "49\x03"),
            QByteArray("\x15\x02"
                       "0000000"
                       "36\x03"));
  EXPECT_EQ(sim.FramesReceived(), 1);
  EXPECT_TRUE(sim.CommandLog().isEmpty());
}

TEST_F(SimRaw, ClientLeavingMidReplyDoesNotHurt) {
  vorn::SetTimeScale(0.02);
  sim.SetExportReadyDelayMs(0);
  sim.SetExportSize(200000);
  {
    RawClient c("127.0.0.24", sim.TcpPort());
    c.Ask(
        "\x02"
        "000"
        "6416"
        "2024"
        "03"
        "X"
        "40\x03");
    c.Ask(
        "\x02"
        "000"
        "7400"
        "0701"
        "47\x03");
    sim.SetChunkSize(1000);
    c.socket.write(
        "\x02"
        "0007404"
        "51\x03");
    WaitFor([&] { return c.received.size() > 3000; });
    c.socket.abort();
  }
  {
    RawClient c("127.0.0.24", sim.TcpPort());
    sim.SetChunkSize(0);
    sim.SetReplyDelayMs(2000);
    c.socket.write(kStatus1209);
    WaitFor([] { return false; }, 5);
    c.socket.abort();  // the delayed reply finds nobody
  }
  WaitFor([] { return false; }, 100);
  sim.SetReplyDelayMs(0);
  RawClient last("127.0.0.24", sim.TcpPort());
  QByteArray reply = last.Ask(kStatus1209);
  EXPECT_EQ(reply, QByteArray("\x06\x02"
                              "0001209"
                              "000000"
                              "36\x03"));
  vorn::SetTimeScale(1.0);
}

TEST_F(SimRaw, ControlChannelSwitchesFaultsWhileRunning) {
  ASSERT_TRUE(sim.ListenControl("127.0.0.24", 0));
  RawClient control("127.0.0.24", sim.ControlPort());
  auto say = [&control](const char* line) {
    control.received.clear();
    control.socket.write(line);
    WaitFor([&] { return control.received.endsWith('\n'); });
    return control.received;
  };
  EXPECT_EQ(say("paper-out on\n"), "OK\n");
  EXPECT_EQ(say("nak many\n").left(4), "ERR ");
  EXPECT_EQ(say("bogus\n").left(4), "ERR ");
  EXPECT_TRUE(say("status\n").contains("paper-out on"));

  RawClient device("127.0.0.24", sim.TcpPort());
  EXPECT_EQ(device.Ask(kStatus1209), kReply1209Paper);
  EXPECT_EQ(say("refuse 61\n"), "OK\n");
  EXPECT_EQ(device.Ask(kStatus1209), QByteArray("\x06\x02"
                                                "000ERR61"
                                                "80\x03"));
  EXPECT_EQ(say("receipt-open 5\n"), "OK\n");
  EXPECT_TRUE(say("roll\n").contains("ARTICOL"));
}

TEST(SimAddresses, SeveralSimulatorsShareThePortOnLoopbackAddresses) {
  FiscalSimulator a, b;
  const auto on9100 = [](FiscalSimulator& sim) {
    return vorn::test::FindLoopbackAddress(0, 2, 250, [&](const std::string& x) {
      return sim.ListenTcp(QString::fromStdString(x), 9100);
    });
  };
  const std::string addressA = on9100(a);
  const std::string addressB = on9100(b);
  ASSERT_FALSE(addressA.empty() || addressB.empty()) << "port 9100 taken on every address";
  b.SetCoverOpen(true);
  RawClient ca(QString::fromStdString(addressA), 9100), cb(QString::fromStdString(addressB), 9100);
  EXPECT_EQ(ca.Ask(kStatus1209), QByteArray("\x06\x02"
                                            "0001209"
                                            "000000"
                                            "36\x03"));
  EXPECT_EQ(cb.Ask(kStatus1209).mid(9, 6), "100000");
}
