// The real driver killed (kill -9) at exact points of a file, then started
// again: every file gets one true answer and nothing reaches the paper twice.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <iostream>
#include <optional>

#include "core/InFlightRecord.h"
#include "simulator/DeviceState.h"
#include "simulator/FiscalDevice.h"
#include "tests/integration/DriverTest.h"

namespace vorn::itest {
namespace {

const std::string kRestarted =
    "ATENTIE: driverul a fost repornit in timpul procesarii acestui fisier\r\n";

// Roll sections of fiscal receipts that were booked (printed and not voided).
std::vector<std::string> BookedReceipts(const std::string& roll) {
  std::vector<std::string> out;
  const std::string head = "S.C. VORN DEMO";
  std::size_t at = roll.find(head);
  while (at != std::string::npos) {
    const std::size_t next = roll.find(head, at + head.size());
    const std::string part = roll.substr(at, next == std::string::npos ? next : next - at);
    if (part.find("BON FISCAL NR.") != std::string::npos &&
        part.find("BON ANULAT") == std::string::npos) {
      out.push_back(part);
    }
    at = next;
  }
  return out;
}

struct KillCase {
  const char* name;
  std::vector<std::string> lines;
  const char* holdCode;  // the command whose reply never reaches the driver
  int nth;
  std::string answer;
  const char* rollText;  // on the roll `times` times
  int times = 1;
};

const std::vector<std::string> kReceipt = {
    "1;PAINE ALBA;BUC;1;1;350;200000",
    "2;1;MULTUMIM",
    "1;LAPTE;L;1;2;799;100000",
    "5;1499;1",
};

void RunKillCase(const KillCase& c) {
  SCOPED_TRACE(c.name);
  DriverHarness h;
  ASSERT_TRUE(h.Valid());
  // Each case on an address of its own.
  ASSERT_TRUE(h.ListenTcpIn(30, 10, 250));
  h.WriteIni();
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();

  h.Sim().HoldReplyTo(QString::fromLatin1(c.holdCode), c.nth);
  h.DropReceipt("ONLINE1.TXT", c.lines);
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return !h.Sim().HeldCommand().isEmpty(); }))
      << h.DriverOutput();
  h.KillDriver();
  h.Sim().ReleaseHeldReply();
  EXPECT_FALSE(h.Exists("ERROR1.TXT"));

  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  EXPECT_EQ(h.WaitForAnswer("1").value_or("<timeout>"), c.answer);
  const std::string roll = h.RollText();
  EXPECT_EQ(CountOf(roll, c.rollText), c.times) << roll;
  if (c.lines == kReceipt) {
    // One booked receipt with every line, whatever voided one came before it.
    const std::vector<std::string> booked = BookedReceipts(roll);
    ASSERT_EQ(booked.size(), 1u) << roll;
    for (const char* text : {"PAINE ALBA", "MULTUMIM", "LAPTE"}) {
      EXPECT_EQ(CountOf(booked[0], text), 1) << text;
    }
    EXPECT_EQ(h.Sim().Device().State().day.gross, 1499);
  }
  // The record goes right after the answered file, a moment after the answer shows.
  EXPECT_TRUE(DriverHarness::WaitFor([&] { return !h.Exists(kInFlightFileName); }, 5000));
  if (::testing::Test::HasFailure()) std::cerr << h.DriverOutput() << "\n";
  h.StopDriver();
}

TEST(CrashKillTest, KilledWhileTheDevicesReplyIsOnItsWay) {
  const std::string first = "0 OK\r\nBON FISCAL NR. 0001\r\n";
  const std::string again = "0 OK\r\nBON FISCAL NR. 0002\r\n";
  const char* total = "\nTOTAL  ";
  const std::vector<KillCase> cases = {
      // An unpaid receipt left open is voided and the file printed once more.
      {"first sale", kReceipt, "33021", 1, again + kRestarted, total},
      {"text line", kReceipt, "3002", 1, again + kRestarted, total},
      {"second sale", kReceipt, "33021", 2, again + kRestarted, total},
      {"payment", kReceipt, "3007", 1, first + kRestarted, total},
      {"close", kReceipt, "3011", 1, first + kRestarted, total},
      {"finish and cut", kReceipt, "3015", 1, first + kRestarted, total},
      {"counters read before the record", kReceipt, "1004", 1, first, total},
      {"Z report", {"15"}, "2002", 1, "0 OK\r\n" + kRestarted, "RAPORT Z NR."},
      {"cash in",
       {"25;D;10000"},
       "7106D",
       1,
       "0 OK\r\nNUMERAR SERTAR : 100.00\r\n" + kRestarted,
       "INTRODUCERE NUMERAR"},
      // Nothing is recorded for an X report: it prints again (title and footer, twice).
      {"X report", {"30"}, "2003", 1, "0 OK\r\n", "RAPORT X", 4},
  };
  for (const KillCase& c : cases) {
    RunKillCase(c);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// While the driver is down the application writes the file again under the
// same name, as after a time-out; the time is always new.
struct RewriteCase {
  const char* name;
  const char* holdCode;
  std::vector<std::string> rewrite;
  std::string answer;
  std::vector<std::string> booked;  // an article of each booked receipt, in order
};

void RunRewriteCase(const RewriteCase& c) {
  SCOPED_TRACE(c.name);
  DriverHarness h;
  ASSERT_TRUE(h.Valid());
  // Each case on an address of its own.
  ASSERT_TRUE(h.ListenTcpIn(30, 10, 250));
  h.WriteIni();
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  h.Sim().HoldReplyTo(QString::fromLatin1(c.holdCode));
  h.DropReceipt("ONLINE1.TXT", kReceipt);
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return !h.Sim().HeldCommand().isEmpty(); }))
      << h.DriverOutput();
  h.KillDriver();
  h.Sim().ReleaseHeldReply();
  const std::optional<InFlightRecord> record = LoadInFlight(h.Folder());
  ASSERT_TRUE(record.has_value());

  h.DropReceipt("ONLINE1.TXT", c.rewrite);
  QFile file(QString::fromStdString(h.PathOf("ONLINE1.TXT")));
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.setFileTime(QDateTime::fromMSecsSinceEpoch(record->modifiedMs + 1500),
                               QFileDevice::FileModificationTime));
  file.close();

  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  EXPECT_EQ(h.WaitForAnswer("1").value_or("<timeout>"), c.answer);
  const std::vector<std::string> booked = BookedReceipts(h.RollText());
  ASSERT_EQ(booked.size(), c.booked.size()) << h.RollText();
  for (std::size_t i = 0; i < booked.size(); ++i) {
    EXPECT_EQ(CountOf(booked[i], c.booked[i]), 1) << booked[i];
  }
  // The record goes right after the answered file, a moment after the answer shows.
  EXPECT_TRUE(DriverHarness::WaitFor([&] { return !h.Exists(kInFlightFileName); }, 5000));
  if (::testing::Test::HasFailure()) std::cerr << h.DriverOutput() << "\n";
  h.StopDriver();
}

TEST(CrashKillTest, FileWrittenAgainWhileTheDriverIsDown) {
  const std::vector<std::string> other = {"1;CAFEA;BUC;1;1;900;100000", "5;900;1"};
  const std::vector<RewriteCase> cases = {
      // The device finished the receipt and its reply was lost: answered, not printed again.
      {"same bytes", "3015", kReceipt, "0 OK\r\nBON FISCAL NR. 0001\r\n" + kRestarted, {"LAPTE"}},
      // Other bytes are a new receipt; the recorded one, left open unpaid, is cancelled first.
      {"other bytes, unpaid", "33021", other, "0 OK\r\nBON FISCAL NR. 0002\r\n", {"CAFEA"}},
      // Left paid, it is finished first.
      {"other bytes, paid",
       "3007",
       other,
       "0 OK\r\nBON FISCAL NR. 0002\r\nA FOST FINALIZAT AUTOMAT BONUL 0001\r\n",
       {"LAPTE", "CAFEA"}},
  };
  for (const RewriteCase& c : cases) {
    RunRewriteCase(c);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// Folder states that a kill leaves behind, set up directly.
class CrashLeftover : public DriverTest {
 protected:
  InFlightRecord RecordFor(const std::string& name) {
    const std::string bytes = h.ReadFile(name);
    const QFileInfo info(QString::fromStdString(h.PathOf(name)));
    InFlightRecord r;
    r.name = name;
    r.size = static_cast<int64_t>(bytes.size());
    r.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    r.digest = FileDigest(bytes);
    r.before = DeviceCounters{ReceiptStage::FromText("0"), 0, 0, 0, 0, 0};
    return r;
  }
  void Save(const InFlightRecord& r) {
    std::string error;
    ASSERT_TRUE(SaveInFlight(h.Folder(), r, error)) << error;
  }
};

TEST_F(CrashLeftover, AnswerWrittenBeforeTheKillIsKeptAndTheFileNotRunAgain) {
  ASSERT_TRUE(h.ListenTcpIn(30, 10, 250));
  h.WriteIni();
  h.DropReceipt("ONLINE1.TXT", kSale);
  const std::string answer = "0 OK\r\nBON FISCAL NR. 0007\r\n";
  h.DropRaw("ERROR1.TXT", answer);
  InFlightRecord r = RecordFor("ONLINE1.TXT");
  r.phase = InFlightPhase::Answered;
  ASSERT_NO_FATAL_FAILURE(Save(r));

  ASSERT_TRUE(h.StartDriver());
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return !h.Exists("ONLINE1.TXT"); }));
  EXPECT_EQ(h.ReadFile("ERROR1.TXT"), answer);
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 0);
  // The record goes right after the answered file, a moment after the answer shows.
  EXPECT_TRUE(DriverHarness::WaitFor([&] { return !h.Exists(kInFlightFileName); }, 5000));
}

TEST_F(CrashLeftover, AnsweredFileWrittenAgainIsDecidedFromTheDevice) {
  ASSERT_TRUE(h.ListenTcpIn(30, 10, 250));
  h.WriteIni();
  ASSERT_TRUE(h.StartDriver());
  ASSERT_EQ(h.Run("1", kSale), "0 OK\r\nBON FISCAL NR. 0001\r\n");
  h.StopDriver();
  // Killed after that answer, before the delete; the application then wrote the file again.
  h.DropReceipt("ONLINE1.TXT", kSale);
  InFlightRecord r = RecordFor("ONLINE1.TXT");
  r.modifiedMs -= 5000;
  r.phase = InFlightPhase::Answered;
  ASSERT_NO_FATAL_FAILURE(Save(r));

  ASSERT_TRUE(h.StartDriver());
  EXPECT_EQ(h.WaitForAnswer("1").value_or("<timeout>"),
            "0 OK\r\nBON FISCAL NR. 0001\r\n" + kRestarted);
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 1);
  // The record goes right after the answered file, a moment after the answer shows.
  EXPECT_TRUE(DriverHarness::WaitFor([&] { return !h.Exists(kInFlightFileName); }, 5000));
}

TEST_F(CrashLeftover, CountersThatExplainNothingAskTheOperatorToCheckTheDevice) {
  ASSERT_TRUE(h.ListenTcpIn(30, 10, 250));
  h.WriteIni();
  h.DropReceipt("ONLINE1.TXT", kSale);
  InFlightRecord r = RecordFor("ONLINE1.TXT");
  r.before.dayReceipts = 5;  // the device now reports none: a Z or another device
  ASSERT_NO_FATAL_FAILURE(Save(r));

  ASSERT_TRUE(h.StartDriver());
  const std::string answer = h.WaitForAnswer("1").value_or("<timeout>");
  EXPECT_EQ(answer,
            "1 ERROR\r\n8060;Driverul a fost repornit in timpul procesarii si nu poate "
            "stabili daca fisierul a fost executat. Verificati casa de marcat inainte de "
            "a retransmite\r\n" +
                kRestarted);
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 0);
}

}  // namespace
}  // namespace vorn::itest
