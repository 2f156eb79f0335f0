// What a power cut leaves in the folder, beyond what kill -9 does: the
// application's receipt file empty, torn or gone (its writer never synced it),
// and the driver's own record or answer where the cut found them. The real
// driver is killed, the folder made as the cut would leave it, and the driver
// started again: one true answer, nothing printed twice.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <iostream>

#include "core/InFlightRecord.h"
#include "simulator/DeviceState.h"
#include "simulator/FiscalDevice.h"
#include "tests/integration/DriverTest.h"

namespace vorn::itest {
namespace {

const std::string kRestarted =
    "ATENTIE: driverul a fost repornit in timpul procesarii acestui fisier\r\n";
const std::vector<std::string> kReceipt = {
    "1;PAINE ALBA;BUC;1;1;350;200000",
    "1;LAPTE;L;1;2;799;100000",
    "5;1499;1",
};

enum class Left { Empty, Gone, Torn };

struct CutCase {
  const char* name;
  const char* holdCode;  // the command whose reply the cut interrupted
  int nth;
  Left left;
  std::string answer;
};

void RunCutCase(const CutCase& c) {
  SCOPED_TRACE(c.name);
  DriverHarness h;
  ASSERT_TRUE(h.Valid());
  ASSERT_TRUE(h.ListenTcp());
  h.WriteIni();
  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  h.Sim().HoldReplyTo(QString::fromLatin1(c.holdCode), c.nth);
  h.DropReceipt("ONLINE1.TXT", kReceipt);
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return !h.Sim().HeldCommand().isEmpty(); }))
      << h.DriverOutput();
  h.KillDriver();
  h.Sim().ReleaseHeldReply();

  const std::string bytes = h.ReadFile("ONLINE1.TXT");
  switch (c.left) {
    case Left::Empty:
      h.DropRaw("ONLINE1.TXT", "");
      break;
    case Left::Gone:
      ASSERT_TRUE(QFile::remove(QString::fromStdString(h.PathOf("ONLINE1.TXT"))));
      break;
    case Left::Torn:
      h.DropRaw("ONLINE1.TXT", bytes.substr(0, bytes.size() / 2));
      break;
  }

  ASSERT_TRUE(h.StartDriver()) << h.DriverOutput();
  EXPECT_EQ(h.WaitForAnswer("1").value_or("<timeout>"), c.answer);
  // One sale's money booked, whatever voided receipt came before it.
  EXPECT_EQ(h.Sim().Device().State().day.gross, 1499) << h.RollText();
  EXPECT_TRUE(DriverHarness::WaitFor([&] { return !h.Exists(kInFlightFileName); }, 5000));
  EXPECT_FALSE(h.Exists("ONLINE1.TXT"));
  if (::testing::Test::HasFailure()) std::cerr << h.DriverOutput() << "\n";
  h.StopDriver();
}

TEST(PowerCutTest, TheReceiptIsDecidedFromItsRecordedBytesWhateverTheFileBecame) {
  const std::string first = "0 OK\r\nBON FISCAL NR. 0001\r\n" + kRestarted;
  const std::string again = "0 OK\r\nBON FISCAL NR. 0002\r\n" + kRestarted;
  const std::vector<CutCase> cases = {
      {"closed, file emptied", "3011", 1, Left::Empty, first},
      {"closed, file gone", "3011", 1, Left::Gone, first},
      {"paid, file emptied", "3007", 1, Left::Empty, first},
      {"finished, file torn", "3015", 1, Left::Torn, first},
      // Open and unpaid: voided, then printed from the recorded bytes.
      {"first sale, file emptied", "33021", 1, Left::Empty, again},
      {"second sale, file gone", "33021", 2, Left::Gone, again},
      {"second sale, file torn", "33021", 2, Left::Torn, again},
  };
  for (const CutCase& c : cases) {
    RunCutCase(c);
    if (::testing::Test::HasFatalFailure()) return;
  }
}

// The record and the answer as a cut may leave them, set up directly.
class PowerCutLeftover : public DriverTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.ListenTcp());
    h.WriteIni();
    h.DropReceipt("ONLINE1.TXT", kSale);
  }
  void SaveRecord(InFlightPhase phase) {
    const std::string bytes = h.ReadFile("ONLINE1.TXT");
    InFlightRecord r;
    r.name = "ONLINE1.TXT";
    r.size = static_cast<int64_t>(bytes.size());
    r.modifiedMs =
        QFileInfo(QString::fromStdString(h.PathOf(r.name))).lastModified().toMSecsSinceEpoch();
    r.digest = FileDigest(bytes);
    r.bytes = bytes;
    r.phase = phase;
    r.before = DeviceCounters{ReceiptStage::FromText("0"), 0, 0, 0, 0, 0};
    std::string error;
    ASSERT_TRUE(SaveInFlight(h.Folder(), r, error)) << error;
  }
};

TEST_F(PowerCutLeftover, AFinalAnswerOnDiskIsKeptWhateverTheFileBecame) {
  const std::string answer = "0 OK\r\nBON FISCAL NR. 0007\r\n";
  struct Case {
    const char* name;
    InFlightPhase phase;
    bool fileEmptied;
  } cases[] = {
      {"answered, file emptied", InFlightPhase::Answered, true},
      {"answered, file gone", InFlightPhase::Answered, false},
      // Cut between the answer and the record saying so.
      {"closed, answer already written", InFlightPhase::Closed, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    h.DropReceipt("ONLINE1.TXT", kSale);
    h.DropRaw("ERROR1.TXT", answer);
    ASSERT_NO_FATAL_FAILURE(SaveRecord(c.phase));
    if (c.fileEmptied) {
      h.DropRaw("ONLINE1.TXT", "");
    } else {
      ASSERT_TRUE(QFile::remove(QString::fromStdString(h.PathOf("ONLINE1.TXT"))));
    }
    ASSERT_TRUE(h.StartDriver());
    ASSERT_TRUE(DriverHarness::WaitFor([&] { return !h.Exists(kInFlightFileName); }, 5000));
    EXPECT_FALSE(h.Exists("ONLINE1.TXT"));
    EXPECT_EQ(h.ReadFile("ERROR1.TXT"), answer);
    EXPECT_EQ(h.Sim().ReceiptsPrinted(), 0);
    h.StopDriver();
  }
}

// A cut that undid the delete of an answered file and of its record: the
// file goes before the others, or the next file's record would replace its
// own and it would print again as a new receipt.
TEST_F(PowerCutLeftover, AnAnsweredFileBackFromItsDeleteGoesFirst) {
  const std::string answer = "0 OK\r\nBON FISCAL NR. 0007\r\n";
  h.DropRaw("ERROR1.TXT", answer);
  ASSERT_NO_FATAL_FAILURE(SaveRecord(InFlightPhase::Answered));
  h.DropReceipt("ONLINE0.TXT", kSale);  // first by name
  ASSERT_TRUE(h.StartDriver());
  EXPECT_EQ(h.WaitForAnswer("0").value_or("<timeout>"), "0 OK\r\nBON FISCAL NR. 0001\r\n");
  ASSERT_TRUE(DriverHarness::WaitFor([&] { return !h.Exists("ONLINE1.TXT"); }));
  EXPECT_EQ(h.ReadFile("ERROR1.TXT"), answer);
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 1);
}

// An error answer may be replaced later in the run (paper out): with the
// record unanswered it is not taken for the file's last word.
TEST_F(PowerCutLeftover, AnErrorAnswerOfAnUnansweredRecordIsDecidedAgain) {
  h.DropRaw("ERROR1.TXT", "1 ERROR\r\n16;Lipsa hartie\r\n");
  ASSERT_NO_FATAL_FAILURE(SaveRecord(InFlightPhase::Started));
  h.DropRaw("ONLINE1.TXT", "");
  ASSERT_TRUE(h.StartDriver());
  EXPECT_EQ(h.WaitForAnswer("1").value_or("<timeout>"),
            "0 OK\r\nBON FISCAL NR. 0001\r\n" + kRestarted);
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 1);
}

}  // namespace
}  // namespace vorn::itest
