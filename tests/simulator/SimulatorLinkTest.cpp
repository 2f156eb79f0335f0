// The real device link against the simulator over loopback TCP and a
// pseudo-terminal: every kind of exchange round-trips.
#include <gtest/gtest.h>

#include <QString>
#include <memory>

#include "base/Clock.h"
#include "device/SerialPorts.h"
#include "device/TXvornLinux.h"
#include "simulator/FiscalSimulator.h"
#include "tests/device/LinkOk.h"

using vorn::TXvornLinux;
using vorn::sim::FiscalSimulator;

namespace {

class SimLink : public ::testing::Test {
 protected:
  void SetUp() override {
    vorn::SetTimeScale(0.02);  // 5 s intervals become 100 ms
    sim.StartOwnThread();      // the link blocks on the test's thread, as on the worker
    ASSERT_TRUE(sim.ListenTcp("127.0.0.23", 0)) << sim.LastError().toStdString();
  }
  void TearDown() override { vorn::SetTimeScale(1.0); }

  std::unique_ptr<TXvornLinux> Open(bool extended = true) {
    auto link = std::make_unique<TXvornLinux>(true, extended);
    link->SetTcpPort(sim.TcpPort());
    EXPECT_TRUE(link->OpenLink(1, 0, "127.0.0.23"));
    return link;
  }

  static vorn::SaleItem Bread() {
    vorn::SaleItem item;
    item.price = 350;
    item.quantity = 200000;
    item.vat = 1;
    item.department = 1;
    return item;
  }

  static std::string Unhex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
      out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
  }

  FiscalSimulator sim;
};

bool LooksLikeZip(const std::string& z) {
  return z.size() > 44 && z.compare(0, 4, std::string("PK\x03\x04", 4)) == 0 &&
         z.compare(z.size() - 22, 4, std::string("PK\x05\x06", 4)) == 0;
}

}  // namespace

TEST_F(SimLink, ReceiptPrintsOnTheRoll) {
  auto link = Open();
  EXPECT_TRUE(link->UsesExtendedStatus());
  vorn::SaleItem item = Bread();
  ASSERT_TRUE(vorn::test::Ok(link->SellItem("PAINE", item)));
  const vorn::LinkResult<std::string> paid = link->Payment(1, "", 500);
  ASSERT_TRUE(paid) << paid.error.text;
  EXPECT_EQ(paid.value, "+000000200");
  ASSERT_TRUE(vorn::test::Ok(link->CloseFiscalReceipt(paid.value)));  // pays the rest in cash first
  const vorn::LinkResult<std::string> state = link->ReadReceiptState();
  ASSERT_TRUE(state);
  EXPECT_EQ(state.value, "60001");
  EXPECT_EQ(link->ReceiptNumber(), "0001");
  ASSERT_TRUE(vorn::test::Ok(link->FinishReceiptPartialCut(0)));
  link->CloseLink();

  EXPECT_EQ(sim.ReceiptsPrinted(), 1);
  QString roll = sim.PaperRoll();
  EXPECT_TRUE(roll.contains("PAINE"));
  EXPECT_TRUE(roll.contains("BON FISCAL NR. 0001"));
  EXPECT_EQ(sim.DrawerCashBani(), 700);
  EXPECT_TRUE(sim.CommandLog().contains("3007030000000000200"));  // the rest, as cash
}

TEST_F(SimLink, StatusReadsInBothLayouts) {
  sim.SetPaperOut(true);
  sim.SetJournalNearFull(true);
  auto link = Open(false);
  ASSERT_TRUE(link->UsesExtendedStatus());
  ASSERT_TRUE(vorn::test::Ok(link->ReadStatus(false)));
  EXPECT_TRUE(link->IsPaperOut());
  EXPECT_TRUE(link->IsJournalNearFull());
  EXPECT_FALSE(link->IsCoverOpen());
  EXPECT_FALSE(link->IsFiscalReceiptOpen());
  ASSERT_TRUE(link->ReadPrinterStatus());
  EXPECT_TRUE(link->IsPrinterPaperOut());

  sim.SetExtendedModel(false);
  sim.SetCoverOpen(true);
  sim.SetReceiptInProgress(3);
  auto classic = Open(true);
  ASSERT_FALSE(classic->UsesExtendedStatus());
  ASSERT_TRUE(vorn::test::Ok(classic->ReadStatus(false)));
  EXPECT_TRUE(classic->IsCoverOpen());
  EXPECT_TRUE(classic->IsPaperOut());
  EXPECT_TRUE(classic->IsFiscalReceiptOpen());
  EXPECT_FALSE(classic->IsFiscalMemoryMissing());
  const vorn::LinkResult<vorn::ReceiptStage> stage = classic->ReadReceiptStage();
  ASSERT_TRUE(stage);
  EXPECT_EQ(stage.value.Text(), "3");

  const vorn::LinkResult<std::string> totals = classic->ReadDailyTotals();
  ASSERT_TRUE(totals);
  EXPECT_EQ(totals.value.size(), 253u);
  sim.SetJournalFreeLines(499);
  const vorn::LinkResult<vorn::JournalInfo> journal = classic->ReadJournalFreeLines();
  ASSERT_TRUE(journal);
  EXPECT_EQ(journal.value.freeLines, 499);
  const vorn::LinkResult<std::string> rates = classic->ReadVatRates();
  ASSERT_TRUE(rates);
  EXPECT_EQ(rates.value.substr(0, 12), " TVA A 19%; ");
  const vorn::LinkResult<std::string> clock = classic->ReadDateTime();
  ASSERT_TRUE(clock);
  EXPECT_EQ(clock.value.size(), 10u);
}

TEST_F(SimLink, RefusalsCarryTheirCodes) {
  auto link = Open();
  vorn::SaleItem item = Bread();

  sim.SetPaperOut(true);
  const vorn::LinkStatus paperOut = link->SellItem("PAINE", item);
  EXPECT_FALSE(paperOut);
  EXPECT_EQ(paperOut.error.text.substr(0, 3), "16;");
  EXPECT_TRUE(paperOut.error.IsPaperOut());
  sim.SetPaperOut(false);

  sim.Set24hSinceFirstReceipt(true);
  const vorn::LinkStatus dayOver = link->SellItem("PAINE", item);
  EXPECT_FALSE(dayOver);
  EXPECT_TRUE(dayOver.error.Is24hSinceZ());
  ASSERT_TRUE(vorn::test::Ok(link->DailyZReport(0)));
  ASSERT_TRUE(vorn::test::Ok(link->SellItem("PAINE", item)));

  sim.SetPaymentFormUnprogrammed(2, true);
  const vorn::LinkStatus unprogrammed = link->Payment(2, "", 700);
  EXPECT_FALSE(unprogrammed);
  EXPECT_TRUE(unprogrammed.error.IsExtended());
  EXPECT_EQ(unprogrammed.error.text, "99;Lipseste forma de plata");

  const vorn::LinkStatus stillOpen = link->DailyZReport(0);  // receipt still open
  EXPECT_FALSE(stillOpen);
  EXPECT_EQ(stillOpen.error.text.substr(0, 3), "21;");
  ASSERT_TRUE(link->VoidReceipt());
  ASSERT_TRUE(link->FinishReceiptPartialCut(0));
  EXPECT_TRUE(sim.PaperRoll().contains("BON ANULAT"));

  sim.RefuseNextCommand(5);
  const vorn::LinkStatus refused = link->Subtotal();
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.error.code, 5);  // the reply "ERR05"
}

TEST_F(SimLink, LongReportAnswersPollsWhileBusy) {
  sim.SetReportBusyMs(12000);  // longer than two poll periods
  auto link = Open();
  ASSERT_TRUE(vorn::test::Ok(link->ZReportOfType(6)));
  QStringList log = sim.CommandLog();
  int report = static_cast<int>(log.indexOf("220206"));
  ASSERT_GE(report, 0);
  EXPECT_GE(log.mid(report + 1).count("1010"), 1);
  EXPECT_TRUE(vorn::test::Ok(link->XReportOfType(7)));
  EXPECT_TRUE(sim.PaperRoll().contains("RAPORT X COTE TVA"));
  EXPECT_TRUE(vorn::test::Ok(link->ReadStatus(false)));  // idle again
}

TEST_F(SimLink, ExportInBothTransfersGivesTheSameZip) {
  sim.SetExportReadyDelayMs(3000);
  sim.SetExportSize(20000);
  auto link = Open();
  ASSERT_TRUE(vorn::test::Ok(link->ExportFiscalData("2024", "3", "X", "", "")));
  vorn::LinkResult<std::string> counters = link->ReadReceiptCounters();
  ASSERT_TRUE(counters);
  EXPECT_EQ(counters.value.substr(0, 5), "00000");
  while (counters.value.substr(0, 5) == "00000") {
    vorn::WaitMs(1000);
    counters = link->ReadReceiptCounters();
    ASSERT_TRUE(counters);
  }
  ASSERT_TRUE(vorn::test::Ok(link->BeginExport(true)));
  std::string hex;
  vorn::LinkResult<std::string> block = link->ExportNextBlock();
  for (; block; block = link->ExportNextBlock()) {
    ASSERT_LE(block.value.size(), 1003u);
    hex += block.value.substr(3);
  }
  EXPECT_LT(block.error.code, 8000);  // ended by the device's own refusal (ERR..), not the link
  ASSERT_TRUE(link->EndExport());
  std::string viaHex = Unhex(hex);
  EXPECT_TRUE(LooksLikeZip(viaHex));
  EXPECT_GE(viaHex.size(), 18000u);

  ASSERT_TRUE(vorn::test::Ok(link->ExportFiscalData("2024", "3", "R", "0001", "0005")));
  vorn::WaitMs(3500);
  ASSERT_TRUE(vorn::test::Ok(link->BeginExport(false)));
  ASSERT_TRUE(vorn::test::Ok(link->ReadExportFile()));
  std::string viaBinary = link->ExportFileBytes();
  ASSERT_TRUE(link->EndExport());
  EXPECT_TRUE(LooksLikeZip(viaBinary));
  EXPECT_EQ(viaBinary.size(), viaHex.size());
}

TEST_F(SimLink, BigBinaryExportArrivesWhole) {
  vorn::SetTimeScale(0.2);  // a debug build needs a while to make 3.9 MB
  sim.SetExportReadyDelayMs(0);
  sim.SetExportSize(3900000);
  sim.SetChunkSize(0);
  auto link = Open();
  ASSERT_TRUE(link->ExportFiscalData("2024", "12", "X", "", ""));
  ASSERT_TRUE(link->BeginExport(true));
  ASSERT_TRUE(vorn::test::Ok(link->ReadExportFile()));
  std::string zip = link->ExportFileBytes();
  EXPECT_GE(zip.size(), 3800000u);
  EXPECT_TRUE(LooksLikeZip(zip));
}

TEST_F(SimLink, LogoUploadInChunks) {
  auto link = Open();
  std::string logo;
  for (int i = 0; i < 120; ++i) logo += static_cast<char>(i * 7);
  ASSERT_TRUE(link->LogoBegin(120));
  for (size_t at = 0; at < logo.size(); at += 50) {
    std::string slice = logo.substr(at, 50);
    std::string hex;
    for (unsigned char b : slice) {
      static const char* digits = "0123456789ABCDEF";
      hex += digits[b >> 4];
      hex += digits[b & 15];
    }
    ASSERT_TRUE(vorn::test::Ok(link->LogoChunk(static_cast<int>(slice.size()), hex)));
  }
  ASSERT_TRUE(vorn::test::Ok(link->LogoEnd()));
  EXPECT_EQ(sim.LogoData(), QByteArray(logo.data(), static_cast<qsizetype>(logo.size())));
}

TEST_F(SimLink, LineFaultsReachTheLink) {
  auto link = Open();

  sim.NakNextFrames(2);
  EXPECT_TRUE(vorn::test::Ok(link->ReadDailyTotals()));  // the third send is answered
  sim.NakNextFrames(3);
  const vorn::LinkResult<std::string> nacked = link->ReadDailyTotals();
  EXPECT_FALSE(nacked);
  EXPECT_EQ(nacked.error.text, "8047;NACK");

  sim.SetSilent(true);
  const vorn::LinkStatus silent = link->ReadStatus1209();
  EXPECT_FALSE(silent);
  EXPECT_EQ(silent.error.text, "8048;TIME OUT");
  sim.SetSilent(false);

  sim.CutNextReply(6);
  const vorn::LinkResult<std::string> cut = link->ReadDailyTotals();
  EXPECT_FALSE(cut);
  EXPECT_EQ(cut.error.text, "8048;TIME OUT");

  sim.SetChunkSize(3);
  sim.SetReplyDelayMs(1000);  // 20 ms here, inside the interval
  const vorn::LinkResult<std::string> totals = link->ReadDailyTotals();
  EXPECT_TRUE(totals) << totals.error.text;
  EXPECT_EQ(totals.value.size(), 253u);
  sim.SetChunkSize(0);
  sim.SetReplyDelayMs(0);

  sim.DropConnectionOnNextCommand();
  EXPECT_FALSE(link->ReadStatus1209());
  link->CloseLink();
  auto again = Open();
  EXPECT_TRUE(vorn::test::Ok(again->ReadStatus(false)));
}

#ifndef _WIN32  // pseudo-terminals
TEST(SimLinkPty, SerialPathOverPseudoTerminal) {
  vorn::SetTimeScale(0.05);
  FiscalSimulator sim;
  sim.StartOwnThread();
  QString path = sim.OpenPseudoTerminal();
  ASSERT_FALSE(path.isEmpty()) << sim.LastError().toStdString();
  vorn::SetSerialPortMap({{7, path.toStdString()}});
  for (int use = 0; use < 2; ++use) {  // a second open finds a clean line
    TXvornLinux link(false, true);
    ASSERT_TRUE(link.OpenLink(7, 0, "")) << "use " << use;
    EXPECT_TRUE(link.UsesExtendedStatus());
    ASSERT_TRUE(vorn::test::Ok(link.ReadStatus(false)));
    vorn::SaleItem item;
    item.price = 125;
    item.quantity = 100000;
    item.vat = 2;
    item.department = 1;
    ASSERT_TRUE(vorn::test::Ok(link.SellItem("LAPTE", item)));
    const vorn::LinkResult<std::string> paid = link.Payment(1, "", 125);
    ASSERT_TRUE(vorn::test::Ok(paid));
    ASSERT_TRUE(vorn::test::Ok(link.CloseFiscalReceipt(paid.value)));
    ASSERT_TRUE(vorn::test::Ok(link.FinishReceiptFullCut()));
    link.CloseLink();
  }
  EXPECT_EQ(sim.ReceiptsPrinted(), 2);
  EXPECT_TRUE(sim.PaperRoll().contains("BON FISCAL NR. 0002"));
  vorn::SetSerialPortMap({});
  vorn::SetTimeScale(1.0);
}
#endif
