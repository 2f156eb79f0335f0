// The send / wait / retry cycle against a scripted device over loopback TCP.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <QTimer>
#include <memory>
#include <regex>

#include "base/Clock.h"
#include "device/ReplyReceiver.h"
#include "device/TXvornLinux.h"
#include "tests/PumpUntil.h"
#include "tests/device/FakeDevice.h"

namespace vorn {
namespace {

using test::FakeDevice;
using test::kAckOnly;
using test::Nak;
using test::Refusal;
using test::Reply;
using Chunks = std::vector<std::string>;
using Strings = std::vector<std::string>;

class LinkExchangeTest : public ::testing::Test {
 protected:
  // 5 s -> 200 ms: short, yet long enough for a loaded machine to answer in time.
  void SetUp() override { SetTimeScale(0.04); }
  void TearDown() override { SetTimeScale(1.0); }

  std::unique_ptr<TXvornLinux> Open(FakeDevice& dev, const std::string& model = "XV100") {
    auto link = std::make_unique<TXvornLinux>(true, false);
    link->SetTcpPort(dev.Port());
    const LinkOpening opening = link->OpenLink(1, 0, "127.0.0.1");
    EXPECT_TRUE(opening);
    EXPECT_EQ(dev.Commands(), std::vector<std::string>{"1013"});
    EXPECT_EQ(opening.model.value, model);
    dev.ClearRecorded();
    static_cast<void>(link->TakeCommLog());
    return link;
  }
};

FakeDevice::Script Always(Chunks chunks) {
  return test::WithModel("XV100", [chunks](const std::string&) { return chunks; });
}

TEST_F(LinkExchangeTest, FrameAndLogLinesAreByteExact) {
  FakeDevice dev(Always({Reply("00000000000")}));
  auto link = Open(dev);
  const LinkResult<std::string> status = link->ReadStatus1010(false);
  ASSERT_TRUE(status);
  EXPECT_EQ(status.value, "00000000000");
  ASSERT_EQ(dev.Frames().size(), 1u);
  EXPECT_EQ(dev.Frames()[0], std::string("\x02"
                                         "0001010"
                                         "38"
                                         "\x03"));

  const std::vector<std::string> log = link->TakeCommLog();
  ASSERT_EQ(log.size(), 4u);
  const std::regex stamp("^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]:[0-9]{3}-");
  for (const auto& line : log) EXPECT_TRUE(std::regex_search(line, stamp)) << line;
  EXPECT_EQ(log[0].substr(12), "-Calculator : 1010");
  EXPECT_EQ(log[1].substr(12), "-Calculator : 02 30 30 30 31 30 31 30 33 38 03 ");
  EXPECT_EQ(log[2].substr(12),
            "-Ecr        : 06 02 30 30 30 45 43 48 4F 30 30 30 30 30 30 30 30 30 30 30 30 30 03 ");
  EXPECT_EQ(log[3].substr(12), "-Ecr result : 0");
  EXPECT_TRUE(link->TakeCommLog().empty());  // handed over, not copied
}

TEST_F(LinkExchangeTest, BytesArrivingBetweenCommandsAreLoggedAndDoNotAnswerTheNext) {
  FakeDevice dev(Always({Reply("00000000000")}));
  auto link = Open(dev);
  dev.SendUnasked(Reply("99999999999"));
  const LinkResult<std::string> status = link->ReadStatus1010(false);
  ASSERT_TRUE(status);
  EXPECT_EQ(status.value, "00000000000");
  const std::vector<std::string> log = link->TakeCommLog();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[0].substr(12),
            "-Ecr        : 06 02 30 30 30 45 43 48 4F 39 39 39 39 39 39 39 39 39 39 39 30 30 03 ");
  EXPECT_EQ(log[1].substr(12), "-Calculator : 1010");
}

TEST_F(LinkExchangeTest, ThreeNaksGiveNack) {
  FakeDevice dev(Always({Nak()}));
  auto link = Open(dev);
  const LinkStatus done = link->Subtotal();
  EXPECT_FALSE(done);
  EXPECT_EQ(dev.Commands(), (std::vector<std::string>{"3003", "3003", "3003"}));
  EXPECT_EQ(done.error.text, "8047;NACK");
}

TEST_F(LinkExchangeTest, NakThenAnswerSucceedsOnTheResend) {
  int sends = 0;
  FakeDevice dev(test::WithModel(
      "XV100", [&](const std::string&) -> Chunks { return {++sends < 3 ? Nak() : Reply("")}; }));
  auto link = Open(dev);
  EXPECT_TRUE(link->Subtotal());
  EXPECT_EQ(dev.Commands().size(), 3u);
}

TEST_F(LinkExchangeTest, SilenceTimesOutWithoutResend) {
  FakeDevice dev(Always({}));
  auto link = Open(dev);
  const LinkStatus done = link->Subtotal();
  EXPECT_FALSE(done);
  EXPECT_EQ(dev.Commands().size(), 1u);
  EXPECT_EQ(done.error.text, "8048;TIME OUT");
  EXPECT_EQ(link->TakeCommLog().back().substr(12), "-Ecr result : 8048");
}

TEST_F(LinkExchangeTest, LoneAckWithoutBusyPollIsATimeout) {
  FakeDevice dev(Always({kAckOnly}));
  auto link = Open(dev);
  const LinkStatus done = link->Command2103();
  EXPECT_FALSE(done);
  EXPECT_EQ(dev.Commands(), std::vector<std::string>{"2103"});
  EXPECT_EQ(done.error.text, "8048;TIME OUT");
}

TEST_F(LinkExchangeTest, BusyPollContinuesUntilTheDeviceReportsOneZeroZero) {
  int polls = 0;
  FakeDevice dev(test::WithModel("XV100", [&](const std::string& cmd) -> Chunks {
    if (cmd != "1010") return {kAckOnly};
    ++polls;
    return {Reply(polls < 3 ? "00000000000" : "00000001000")};
  }));
  auto link = Open(dev);
  const LinkStatus report = link->ZReportOfType(6);
  EXPECT_FALSE(report);
  EXPECT_EQ(dev.Commands(), (std::vector<std::string>{"220206", "1010", "1010", "1010"}));
  EXPECT_EQ(dev.Frames()[1], std::string("\x02"
                                         "0001010"
                                         "38"
                                         "\x03"));
  EXPECT_EQ(report.error.text, "8048;TIME OUT");
  // The poll is only armed for the report itself.
  dev.ClearRecorded();
  EXPECT_FALSE(link->Subtotal());
  EXPECT_EQ(dev.Commands(), std::vector<std::string>{"3003"});
}

TEST_F(LinkExchangeTest, BusyPollEndsWhenAPollGetsNoReply) {
  FakeDevice dev(test::WithModel("XV100", [&](const std::string& cmd) -> Chunks {
    if (cmd ==
        "2203"
        "02")
      return {kAckOnly};
    return {};
  }));
  auto link = Open(dev);
  const LinkStatus report = link->XReportOfType(2);
  EXPECT_FALSE(report);
  EXPECT_EQ(dev.Commands(), (std::vector<std::string>{"220302", "1010"}));
  EXPECT_EQ(report.error.text, "8048;TIME OUT");
}

TEST_F(LinkExchangeTest, ReportReplyAfterABusyPollCompletesTheCommand) {
  FakeDevice dev(test::WithModel("XV100", [&](const std::string& cmd) -> Chunks {
    if (cmd == "220207") return {kAckOnly};
    return {Reply("00000000000"), std::string("\x02"
                                              "0002202"
                                              "00\x03",
                                              11)};
  }));
  dev.SetChunkGapMs(15);
  auto link = Open(dev);
  const LinkStatus report = link->ZReportOfType(7);
  EXPECT_TRUE(report) << report.error.text;
  EXPECT_EQ(dev.Commands(), (std::vector<std::string>{"220207", "1010"}));
}

TEST_F(LinkExchangeTest, RefusalsGiveTheirCodesAndMessages) {
  const std::pair<std::string, std::string> cases[] = {
      {"05",
       "5;Operatie imposibila. Inchideti documentul curent si retransmiteti comanda SAU Forma "
       "de plata nu permite rest "},
      {"16",
       "16;Eroare lipsa hartie \x96"
       " inlocuiti rola de hartie"},
      {"x5", "8047;NACK"},
  };
  for (const auto& [code, text] : cases) {
    FakeDevice dev(Always({Refusal(code)}));
    auto link = Open(dev);
    const LinkStatus done = link->Subtotal();
    EXPECT_FALSE(done);
    EXPECT_EQ(done.error.text, text);
    // The reply that carried the refusal, as the next send gets it.
    EXPECT_EQ(link->SendCommand("3003").reply, "ERR" + code);
  }
}

TEST_F(LinkExchangeTest, RefusalInsideANakFrameWinsOverNack) {
  FakeDevice dev(
      Always({std::string("\x15\x02"
                          "000"
                          "ERR"
                          "21"
                          "00\x03",
                          13)}));
  auto link = Open(dev);
  const LinkStatus done = link->Subtotal();
  EXPECT_FALSE(done);
  EXPECT_EQ(dev.Commands().size(), 3u);
  EXPECT_EQ(done.error.text.substr(0, 3), "21;");
}

TEST_F(LinkExchangeTest, ExtendedErrorIsQueriedOnce) {
  FakeDevice dev(test::WithModel("XV100", [](const std::string& cmd) -> Chunks {
    if (cmd == "1015") return {Reply("err136")};
    return {Refusal("99")};
  }));
  auto link = Open(dev);
  const LinkStatus done = link->Subtotal();
  EXPECT_FALSE(done);
  EXPECT_EQ(dev.Commands(), (std::vector<std::string>{"3003", "1015"}));
  EXPECT_EQ(done.error.text, "99;Numerar insufficient. Introduceti numerar in sertar.");
  EXPECT_TRUE(done.error.IsExtended());
}

TEST_F(LinkExchangeTest, ExtendedErrorQueryRefusedWith99DoesNotRecurse) {
  FakeDevice dev(Always({Refusal("99")}));
  auto link = Open(dev);
  const LinkStatus done = link->Subtotal();
  EXPECT_FALSE(done);
  EXPECT_EQ(dev.Commands(), (std::vector<std::string>{"3003", "1015"}));
  EXPECT_EQ(done.error.text, "99;");
  EXPECT_TRUE(done.error.IsExtended());
  // The guard does not stick: the next refusal asks again.
  EXPECT_FALSE(link->Subtotal());
  EXPECT_EQ(dev.Commands().size(), 4u);
}

TEST_F(LinkExchangeTest, ExtendedErrorQueryTimingOutLeavesTimeOut) {
  FakeDevice dev(test::WithModel("XV100", [](const std::string& cmd) -> Chunks {
    if (cmd == "1015") return {};
    return {Refusal("99")};
  }));
  auto link = Open(dev);
  const LinkStatus done = link->Subtotal();
  EXPECT_FALSE(done);
  EXPECT_EQ(done.error.text, "8048;TIME OUT");
  EXPECT_FALSE(done.error.IsExtended());
}

TEST_F(LinkExchangeTest, OneByteChunksAssemble) {
  const std::string reply = Reply("00000000000");
  Chunks chunks;
  for (char c : reply) chunks.emplace_back(1, c);
  FakeDevice dev(Always(chunks));
  dev.SetChunkGapMs(2);
  auto link = Open(dev);
  const LinkResult<std::string> status = link->ReadStatus1010(false);
  ASSERT_TRUE(status) << status.error.text;
  EXPECT_EQ(status.value, "00000000000");
  int received = 0;
  for (const auto& line : link->TakeCommLog())
    received += line.find("-Ecr        : ") != std::string::npos;
  EXPECT_GT(received, 1);
}

TEST_F(LinkExchangeTest, OversizeReplyStaysInsideTheBuffer) {
  // 4,000,100 bytes: the ETX falls beyond the buffer, so the reply never completes.
  std::string huge = std::string(
                         "\x06\x02"
                         "000"
                         "ECHO",
                         9) +
                     std::string(4000088, '7') + "00\x03";
  FakeDevice dev(Always({huge}));
  auto link = Open(dev);
  const LinkStatus done = link->Subtotal();
  EXPECT_FALSE(done);
  EXPECT_EQ(done.error.text, "8048;TIME OUT");
  EXPECT_EQ(link->ReceiveLengthForTest(), ReplyReceiver::kReceiveCapacity);
}

TEST_F(LinkExchangeTest, LargeReplyWithinTheBufferIsTakenWhole) {
  FakeDevice dev(Always({Reply(std::string(100000, 'p'))}));
  auto link = Open(dev);
  const LinkResult<std::string> read = link->ReadFiscalSeries();
  ASSERT_TRUE(read);
  EXPECT_EQ(read.value, std::string(100000, 'p'));
}

TEST_F(LinkExchangeTest, PeerDroppingMidReplyEndsAsTimeOut) {
  FakeDevice* devPtr = nullptr;
  FakeDevice dev(test::WithModel("XV100", [&](const std::string&) -> Chunks {
    QTimer::singleShot(5, [&] { devPtr->DropClient(); });
    return {
        std::string("\x06\x02"
                    "000",
                    5)};
  }));
  devPtr = &dev;
  SetTimeScale(1.0);  // the dropped link must end the wait, not the 5-second interval
  auto link = Open(dev);
  const LinkStatus done = link->Subtotal();
  EXPECT_FALSE(done);
  EXPECT_EQ(done.error.text, "8048;TIME OUT");
  EXPECT_FALSE(link->Subtotal());  // the dead link keeps failing cleanly
}

// The link blocks on its transport: what the thread's event loop holds (here
// a freeing of the link, or a second use of it) runs after the wait, never
// inside it, so a link cannot be freed or reused under its own feet.
TEST_F(LinkExchangeTest, NothingOfTheThreadRunsDuringAWait) {
  const struct {
    const char* name;
    Chunks reply;
    bool free;     // the timer frees the link, else it sends through it
    int timerMs;   // due within the wait
    bool report;   // a report with its busy poll (200..400 ms in)
    Strings sent;  // while the first operation ran
  } cases[] = {
      {"freed during a wait", {}, true, 5, false, {"3003"}},
      {"freed during a busy poll", {kAckOnly}, true, 300, true, {"220206", "1010"}},
      {"used during a wait", {}, false, 5, false, {"3003"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDevice dev(Always(c.reply));
    auto link = Open(dev);
    bool nested = true;
    QTimer::singleShot(c.timerMs, [&] {
      if (c.free) {
        link.reset();
      } else {
        nested = static_cast<bool>(link->Subtotal());
      }
    });
    EXPECT_FALSE(c.report ? link->ZReportOfType(6) : link->Subtotal());
    EXPECT_NE(link, nullptr);
    EXPECT_EQ(dev.Commands(), c.sent);
    ASSERT_TRUE(PumpUntil([&] { return c.free ? link == nullptr : !nested; }));
  }
}

TEST_F(LinkExchangeTest, CommandThatWouldBreakTheFrameIsNotSent) {
  FakeDevice dev(Always({Reply("")}));
  auto link = Open(dev);
  const std::string injected = std::string("AB\x02") + "0004003108INJECTED78" + "\x03" + "CD";
  for (const std::string& text : {injected, std::string("A\x02"), std::string("A\x03")}) {
    const LinkStatus printed = link->PrintNonFiscalText("1", text);
    EXPECT_FALSE(printed) << text;
    EXPECT_EQ(printed.error.text,
              "8061;Comanda contine caractere de incadrare (STX/ETX) si nu a fost trimisa");
    EXPECT_EQ(link->TakeCommLog().back().substr(12), "-Ecr result : 8061");
  }
  // What the frame carries as data: TAB and the other control bytes, bytes
  // above 0x7F, and logo chunks, whose binary goes as hexadecimal text.
  EXPECT_TRUE(link->PrintNonFiscalText("1", "A\tB\x1B\x80\xFF"));
  EXPECT_TRUE(link->LogoChunk(2, "0203"));
  // The stream is in order: had a refused command gone out, its frames would come first.
  EXPECT_EQ(dev.Frames(), (std::vector<std::string>{"\x02"
                                                    "00040031"
                                                    "06A\tB\x1B\x80\xFF"
                                                    "44\x03",
                                                    "\x02"
                                                    "0009101020203"
                                                    "42\x03"}));
}

TEST_F(LinkExchangeTest, CommandLongerThanTheSendBufferIsNotCutButRefused) {
  FakeDevice dev(Always({Reply("")}));
  auto link = Open(dev);
  // "9101" + two digits + the chunk: 993 characters fill the buffer exactly.
  EXPECT_TRUE(link->LogoChunk(2, std::string(987, 'A')));
  const LinkStatus sent = link->LogoChunk(2, std::string(988, 'A'));
  EXPECT_FALSE(sent);
  EXPECT_EQ(sent.error.text, "8062;Comanda depaseste 993 de caractere si nu a fost trimisa");
  ASSERT_EQ(dev.Frames().size(), 1u);
  EXPECT_EQ(dev.Frames()[0].size(), 1000u);
  EXPECT_EQ(dev.Frames()[0].back(), '\x03');
}

TEST_F(LinkExchangeTest, OperationsFailWith8001BeforeOpen) {
  TXvornLinux link(true, false);
  const LinkStatus done = link.Subtotal();
  EXPECT_FALSE(done);
  EXPECT_EQ(done.error.text, "8001;Eroare la deschiderea portului serial");
  EXPECT_TRUE(link.TakeCommLog().empty());
}

TEST_F(LinkExchangeTest, ModelSelectsTheStatusLayout) {
  {
    FakeDevice dev(test::WithModel("VX M4RO12345", [](const std::string&) { return Chunks{}; }));
    TXvornLinux link(true, false);
    link.SetTcpPort(dev.Port());
    const LinkOpening opening = link.OpenLink(1, 0, "127.0.0.1");
    ASSERT_TRUE(opening);
    EXPECT_EQ(opening.model.value, "VX M4 RO");
    EXPECT_TRUE(link.UsesExtendedStatus());
  }
  {
    FakeDevice dev(test::WithModel("VX100", [](const std::string&) { return Chunks{}; }));
    TXvornLinux link(true, true);
    link.SetTcpPort(dev.Port());
    ASSERT_TRUE(link.OpenLink(1, 0, "127.0.0.1"));
    EXPECT_FALSE(link.UsesExtendedStatus());
  }
}

TEST_F(LinkExchangeTest, RefusedConnectionFailsTheOpen) {
  quint16 port = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
    port = probe.serverPort();
  }
  SetTimeScale(1.0);  // a refusal ends the wait at once, not after 11 seconds
  TXvornLinux link(true, false);
  link.SetTcpPort(port);
  const LinkOpening opening = link.OpenLink(1, 0, "127.0.0.1");
  EXPECT_FALSE(opening);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(opening.model.error.text, "");  // no model was asked for
  const LinkStatus done = link.Subtotal();
  EXPECT_FALSE(done);
  EXPECT_EQ(done.error.text.substr(0, 5), "8001;");
}

#ifndef _WIN32  // a listener that never accepts: POSIX sockets
TEST_F(LinkExchangeTest, ConnectionThatNeverCompletesFailsWithinTheBound) {
  // A listener whose backlog is full drops further handshakes.
  int listener = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(listener, 0), 0);
  socklen_t len = sizeof addr;
  ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
  std::vector<int> fillers;
  for (int i = 0; i < 3; ++i) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    ::fcntl(s, F_SETFL, O_NONBLOCK);
    ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    fillers.push_back(s);
  }
  ::usleep(20000);

  TXvornLinux link(true, false);
  link.SetTcpPort(ntohs(addr.sin_port));
  EXPECT_FALSE(link.OpenLink(1, 0, "127.0.0.1"));  // 11 s scaled to 440 ms
  EXPECT_FALSE(link.IsOpen());
  for (int s : fillers) ::close(s);
  ::close(listener);
}
#endif

}  // namespace
}  // namespace vorn
