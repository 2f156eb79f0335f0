// Command strings and reply handling of the device operations, against a
// scripted device that answers every command with a payload chosen per test.
#include <gtest/gtest.h>

#include <QTime>
#include <functional>
#include <map>
#include <memory>

#include "base/Clock.h"
#include "device/TXvornLinux.h"
#include "tests/device/FakeDevice.h"

namespace vorn {
namespace {

using test::FakeDevice;
using test::Reply;
using Chunks = std::vector<std::string>;
using Strings = std::vector<std::string>;

class OperationsTest : public ::testing::Test {
 protected:
  OperationsTest()
      : dev_([this](const std::string& cmd) -> Chunks {
          if (cmd == "1013") return {Reply(model_)};
          for (const auto& [prefix, chunks] : answers_)
            if (cmd.compare(0, prefix.size(), prefix) == 0) return chunks;
          return {Reply("")};
        }) {}

  void SetUp() override { SetTimeScale(0.04); }
  void TearDown() override { SetTimeScale(1.0); }

  TXvornLinux& Link(bool extendedModel = false) {
    dev_.OnThread([&] { model_ = extendedModel ? "VX M4" : "VX"; });
    link_ = std::make_unique<TXvornLinux>(true, false);
    link_->SetTcpPort(dev_.Port());
    EXPECT_TRUE(link_->OpenLink(1, 0, "127.0.0.1"));
    dev_.ClearRecorded();
    static_cast<void>(link_->TakeCommLog());
    return *link_;
  }
  void Answer(const std::string& prefix, const std::string& payload) {
    dev_.OnThread([&] { answers_[prefix] = {Reply(payload)}; });
  }
  void AnswerRaw(const std::string& prefix, Chunks chunks) {
    dev_.OnThread([&] { answers_[prefix] = std::move(chunks); });
  }
  Strings Sent() { return dev_.Commands(); }

  // Read by the script on the device's thread.
  std::map<std::string, Chunks> answers_;
  std::string model_ = "VX";
  FakeDevice dev_;
  std::unique_ptr<TXvornLinux> link_;
};

TEST_F(OperationsTest, PaymentSwapsTypesOneAndThree) {
  auto& link = Link();
  ASSERT_TRUE(link.Payment(1, "", 1050));
  ASSERT_TRUE(link.Payment(3, "", 1050));
  ASSERT_TRUE(link.Payment(2, "CARD", 29));
  EXPECT_EQ(Sent(), (Strings{"3007"
                             "03"
                             "00"
                             "00"
                             "000001050",
                             "3007"
                             "01"
                             "00"
                             "00"
                             "000001050",
                             "3007"
                             "02"
                             "00"
                             "04"
                             "CARD"
                             "000000029"}));
  const std::vector<std::string> log = link.TakeCommLog();
  EXPECT_EQ(log[1].substr(12),
            "-Calculator : 02 30 30 30 33 30 30 37 30 33 30 30 30 30 30 30 30 30 "
            "30 31 30 35 30 37 35 03 ");
  EXPECT_EQ(log[3].substr(12), "-Imprimanta : 0");
}

// The rest named by the last payment's reply is paid in cash before the close;
// a refused rest payment stops there, with its own error.
TEST_F(OperationsTest, CloseFiscalReceiptPaysTheRestFirst) {
  const Strings payments = {
      "3007"
      "02"
      "00"
      "00"
      "000000500",
      "3007"
      "03"
      "00"
      "00"
      "000000250"};
  const struct {
    const char* name;
    Chunks restReply;
    bool closed;
    const char* error;
  } cases[] = {
      {"rest paid", {test::Reply("")}, true, ""},
      {"rest refused",
       {test::Refusal("25")},
       false,
       "25;Plata partial \x96"
       " completati plata sau anulati bonul"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto& link = Link();
    Answer("3007", "+000000250");
    const LinkResult<std::string> paid = link.Payment(2, "", 500);
    ASSERT_TRUE(paid);
    AnswerRaw("3007", c.restReply);
    const LinkStatus closed = link.CloseFiscalReceipt(paid.value);
    EXPECT_EQ(static_cast<bool>(closed), c.closed);
    Strings sent = payments;
    if (c.closed) sent.push_back("3011");
    EXPECT_EQ(Sent(), sent);
    EXPECT_EQ(closed.error.text, c.error);
  }
}

TEST_F(OperationsTest, AcknowledgedCloseThatTimesOutAdvisesAStatusCheck) {
  auto& link = Link();
  AnswerRaw("3011", {test::kAckOnly});
  const LinkStatus closed = link.CloseFiscalReceipt({});
  EXPECT_FALSE(closed);
  EXPECT_EQ(closed.error.text, "8048;TIME OUT; VERIFICATI STAREA IMPRIMANTEI CU COMANDA 9999");
}

TEST_F(OperationsTest, CommandStringsOfTheFixedWidthOperations) {
  auto& link = Link();
  SaleItem item;
  item.price = 1250;
  item.quantity = 200000;
  item.vat = 1;
  item.department = 1;
  SaleItem storno = item;
  storno.storno = true;
  storno.unit = "KG";
  storno.quantity = 50000;
  storno.denominator = 3;
  SimpleItem simple;
  simple.department = 5;
  struct Row {
    const char* name;
    std::function<LinkStatus()> call;
    bool ok;
    Strings sent;  // commands this call alone sends
  };
  // Kept in this order: the calls share one link and one fake device.
  const std::vector<Row> rows = {
      {"SellItem",
       [&] { return link.SellItem("PAINE", item); },
       true,
       {"33021"
        "001"
        "000001250"
        "01"
        "05"
        "PAINE"
        "04"
        " BUC"
        "000200000"
        "0001"}},
      {"SellItem storno",
       [&] { return link.SellItem("AB", storno); },
       true,
       {"33024"
        "001"
        "000001250"
        "01"
        "03"
        " AB"
        "03"
        " KG"
        "000050000"
        "0003"}},
      {"SellItemSimple",
       [&] { return link.SellItemSimple(simple); },
       true,
       {"3301O"
        "000000000"
        "005"
        "22"
        "                      "
        "000000000"
        "0"}},
      {"MarkupValue",
       [&] { return link.MarkupValue(150); },
       true,
       {"33022"
        "001"
        "000000150"
        "00"
        "00"}},
      {"DiscountValue",
       [&] { return link.DiscountValue(150); },
       true,
       {"33023"
        "001"
        "000000150"
        "00"
        "00"}},
      {"MarkupPercent",
       [&] { return link.MarkupPercent(1250); },
       true,
       {"3302B"
        "001"
        "000001250"
        "00"
        "00"}},
      {"DiscountPercent",
       [&] { return link.DiscountPercent(1250); },
       true,
       {"3302C"
        "001"
        "000001250"
        "00"
        "00"}},
      {"FinishReceiptPartialCut(12)",
       [&] { return link.FinishReceiptPartialCut(12); },
       true,
       {"30140"}},
      {"FinishReceiptPartialCut(7)",
       [&] { return link.FinishReceiptPartialCut(7); },
       true,
       {"30147"}},
      {"ProgramVatRates",
       [&] {
         return link.ProgramVatRates({19, 9, 5, 0, 0, 0});
       },
       true,
       {"7013"
        "1900"
        "0900"
        "0500"
        "0000"
        "0000"
        "0000"}},
      {"CashOperation D",
       [&] { return link.CashOperation("D", 10000); },
       true,
       {"7106"
        "D"
        "000010000"}},
      {"CashOperation R",
       [&] { return link.CashOperation("R", 10000); },
       true,
       {"7106"
        "R"}},
      // The fake answers an empty payload, not "0": three sends, then a failure.
      {"SetDateTime", [&] { return link.SetDateTime(5, 3, 24, 9, 7); }, false,
       Strings(3,
               "2001"
               "05"
               "03"
               "24"
               "09"
               "07")},
      {"LogoBegin",
       [&] { return link.LogoBegin(1234); },
       true,
       {"9100"
        "001234"}},
      {"LogoChunk",
       [&] { return link.LogoChunk(2, "FF00"); },
       true,
       {"9101"
        "02"
        "FF00"}},
      {"BeginExport(true)",
       [&] { return link.BeginExport(true); },
       true,
       {"7400"
        "0701"}},
      {"BeginExport(false)",
       [&] { return link.BeginExport(false); },
       true,
       {"7400"
        "0401"}},
      {"Beep",
       [&] { return link.Beep(3, 2); },
       true,
       {"3116"
        "3"
        "2"}},
      {"OpenNonFiscalReceipt",
       [&] { return link.OpenNonFiscalReceipt(); },
       true,
       {"40011"
        "0"
        "000000000"}},
      {"JournalReportByLine",
       [&] { return link.JournalReportByLine(42); },
       true,
       {"8004"
        "000000042"}},
      {"JournalReportByZAndReceipts",
       [&] { return link.JournalReportByZAndReceipts(7, 1, 20); },
       true,
       {"8006"
        "0007"
        "0001"
        "0020"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const size_t before = Sent().size();
    const LinkStatus done = row.call();
    EXPECT_EQ(static_cast<bool>(done), row.ok) << done.error.text;
    const Strings sent = Sent();
    EXPECT_EQ(Strings(sent.begin() + static_cast<std::ptrdiff_t>(before), sent.end()), row.sent);
  }
  EXPECT_EQ(item.unit, " BUC");
  EXPECT_EQ(storno.unit, " KG");
}

TEST_F(OperationsTest, SetDateTimeRetriesUntilTheDeviceAnswersZero) {
  auto& link = Link();
  Answer("2001", "1");
  const LinkStatus set = link.SetDateTime(5, 3, 24, 10, 15);
  EXPECT_FALSE(set);
  EXPECT_EQ(Sent().size(), 3u);
  EXPECT_EQ(set.error.text,
            "0;Eroare necunoscuta \x96"
            " contactati tehnicianul autorizat");
  Answer("2001", "0");
  EXPECT_TRUE(link.SetDateTime(5, 3, 24, 10, 15));
  EXPECT_EQ(Sent().size(), 4u);
}

TEST_F(OperationsTest, TextLinesCheckFontAndLengthBeforeSending) {
  auto& link = Link();
  const LinkStatus tooLong = link.PrintNonFiscalText("5", std::string(23, 'x'));
  EXPECT_FALSE(tooLong);
  EXPECT_EQ(tooLong.error.text, "8004;Lungimea textului este prea mare ");
  const LinkStatus badFont = link.PrintFiscalText("7", "x", 0);
  EXPECT_FALSE(badFont);
  EXPECT_EQ(badFont.error.text, "8003;Parametrul FONT este eronat (1..6)");
  const LinkStatus tooLongForFont = link.PrintFiscalText3008("01", "x");
  EXPECT_FALSE(tooLongForFont);
  EXPECT_EQ(tooLongForFont.error.text.substr(0, 5), "8004;");
  EXPECT_TRUE(Sent().empty());

  ASSERT_TRUE(link.PrintNonFiscalText("2", ""));
  ASSERT_TRUE(link.PrintFiscalText("1", "ABCD", 1));
  ASSERT_TRUE(link.PrintFiscalText("3", "ABCD", 2));
  ASSERT_TRUE(link.PrintFiscalText("B", "ABCD", 2));
  ASSERT_TRUE(link.PrintFiscalText3012("2", "ABC", 1));
  ASSERT_TRUE(link.PrintFiscalText3010("A", "Z"));
  EXPECT_EQ(Sent(), (Strings{
                        "4003"
                        "2"
                        "01"
                        " ",
                        "3002"
                        "1"
                        "18"
                        "              ABCD",
                        "3002"
                        "3"
                        "42"
                        "                                      ABCD",
                        "3002"
                        "B"
                        "04"
                        "ABCD",
                        "3012"
                        "2"
                        "17"
                        "              ABC",
                        "3010"
                        "A"
                        "01"
                        "Z",
                    }));
}

TEST_F(OperationsTest, DisplayShowsTheMessageWithoutItsCode) {
  auto& link = Link();
  ASSERT_TRUE(
      link.ShowOnDisplay("16;Eroare lipsa hartie \x96"
                         " inlocuiti rola de hartie"));
  ASSERT_TRUE(link.ShowOnDisplay("A\rB"));
  EXPECT_EQ(Sent(), (Strings{"7007"
                             "Eroare lipsa hartie \x96"
                             " inlocuiti rola de ",
                             "7007"
                             "A B                                     "}));
}

TEST_F(OperationsTest, ReportDatesAreCheckedBeforeSending) {
  auto& link = Link();
  const LinkStatus badType = link.FiscalMemoryReportByDates(4, 1, 1, 24, 2, 1, 24);
  EXPECT_FALSE(badType);
  EXPECT_EQ(badType.error.text, "8034;Tip raport MF eronat (valori admise : 1 sau 2)");
  const LinkStatus badStart = link.FiscalMemoryReportByDates(1, 30, 2, 24, 2, 3, 24);
  EXPECT_FALSE(badStart);
  EXPECT_EQ(badStart.error.text, "8035;Data de inceput raport MF este eronata");
  const LinkStatus badEnd = link.JournalReportByDates(1, 2, 24, 31, 4, 24);
  EXPECT_FALSE(badEnd);
  EXPECT_EQ(badEnd.error.text, "8036;Data de sfarsit raport MF este eronata");
  const LinkStatus badDay = link.JournalReportByDateAndReceipts(0, 1, 24, 1, 2);
  EXPECT_FALSE(badDay);
  EXPECT_EQ(badDay.error.text.substr(0, 5), "8035;");
  const LinkStatus badBarcode = link.PrintBarcode(10, 0, "123", 3);
  EXPECT_FALSE(badBarcode);
  EXPECT_EQ(badBarcode.error.text, "8032;Tip cod bare eronat");
  const LinkStatus badDigits = link.PrintBarcode(1, 3, "123", 3);
  EXPECT_FALSE(badDigits);
  EXPECT_EQ(badDigits.error.text.substr(0, 5), "8033;");
  EXPECT_TRUE(Sent().empty());

  ASSERT_TRUE(link.FiscalMemoryReportByDates(3, 0, 0, 0, 0, 0, 0));
  ASSERT_TRUE(link.FiscalMemoryReportByDates(2, 1, 1, 24, 31, 1, 24));
  ASSERT_TRUE(link.JournalReportByDateAndReceipts(29, 2, 24, 1, 25));
  ASSERT_TRUE(link.PrintBarcode(2, 1, "5941234", 3));
  ASSERT_TRUE(link.DailyZReport(3));
  EXPECT_EQ(Sent(), (Strings{"5004",
                             "5003"
                             "01"
                             "01"
                             "24"
                             "31"
                             "01"
                             "24",
                             "8002"
                             "29"
                             "02"
                             "24"
                             "0001"
                             "0025",
                             "3023"
                             "02"
                             "1"
                             "3"
                             "007"
                             "5941234",
                             "220209"}));
}

TEST_F(OperationsTest, ExportRequestIsRetriedOnceAfter87) {
  auto& link = Link();
  int requests = 0;
  AnswerRaw("6416", {test::Refusal("87")});
  const LinkStatus exported = link.ExportFiscalData("2024", "3", "Z", "", "");
  ASSERT_FALSE(exported);
  requests = static_cast<int>(Sent().size());
  EXPECT_EQ(requests, 3);
  EXPECT_EQ(Sent(), (Strings{"6416"
                             "2024"
                             "03"
                             "Z",
                             "7408",
                             "6416"
                             "2024"
                             "03"
                             "Z"}));
  EXPECT_EQ(exported.error.text, "87;");
  Answer("6416", "");
  ASSERT_TRUE(link.ExportFiscalData("2024", "11", "X", "1", ""));
  EXPECT_EQ(Sent().back(),
            "6416"
            "2024"
            "11"
            "X"
            "0001"
            "0000");
}

TEST_F(OperationsTest, ExportFileArrivesLengthPrefixed) {
  auto& link = Link();
  std::string file;
  for (int i = 0; i < 300000; ++i) file += static_cast<char>(i * 7);
  std::string reply = std::string("\x06\x00\x04\x93\xe0", 5) + file + std::string(15, '\x03');
  AnswerRaw("7404", {reply.substr(0, 3), reply.substr(3, 100000), reply.substr(100003)});
  const LinkStatus read = link.ReadExportFile();
  ASSERT_TRUE(read) << read.error.text;
  EXPECT_TRUE(link.ExportFileBytes() == file);
  // The next command takes normal replies again and clears the buffer before it.
  EXPECT_TRUE(link.EndExport());
  const std::string after = link.ExportFileBytes();
  EXPECT_EQ(after.size(), 300000u);
  EXPECT_TRUE(after == std::string("ECHO00\x03", 7) + std::string(300000 - 7, '\0'));
}

TEST_F(OperationsTest, ReplyCopiesForTheOwner) {
  auto& link = Link();
  Answer("7012", "190009000500000000000000");
  Answer("1004", std::string(253, '1'));
  Answer("1113", "000012345");
  Answer("8006000000000000", "123456789012345678901234567000001234");
  Answer("80060001", "JR");
  Answer("1008", "AB123");
  const LinkResult<std::string> rates = link.ReadVatRates();
  ASSERT_TRUE(rates);
  EXPECT_EQ(rates.value, " TVA A 19%; TVA B 09%; TVA C 05%; TVA D 00%; TVA E 00%; TVA F 00%;");
  const LinkResult<std::string> totals = link.ReadDailyTotals();
  ASSERT_TRUE(totals);
  EXPECT_EQ(totals.value.size(), 253u);
  const LinkResult<std::string> totalizer = link.ReadTotalizer(4);
  ASSERT_TRUE(totalizer);
  EXPECT_EQ(totalizer.value, "000012345");
  const LinkResult<JournalInfo> journal = link.ReadJournalFreeLines();
  ASSERT_TRUE(journal);
  EXPECT_EQ(journal.value.freeLines, 1234);
  const LinkResult<std::string> report = link.JournalReportByZAndReceipts(1, 1, 1);
  ASSERT_TRUE(report);
  EXPECT_EQ(report.value, "JR");
  const LinkResult<std::string> series = link.ReadFiscalSeries();
  ASSERT_TRUE(series);
  EXPECT_EQ(series.value, "AB123");
  EXPECT_EQ(series.error.code, 0);
  EXPECT_EQ(Sent()[2],
            "1113"
            "04");

  Answer("7012", "19");
  const LinkResult<std::string> shortRates = link.ReadVatRates();
  ASSERT_TRUE(shortRates);
  EXPECT_EQ(shortRates.value, "TVA ");
  Answer("1004", "short");
  const LinkResult<std::string> shortTotals = link.ReadDailyTotals();
  ASSERT_TRUE(shortTotals);
  EXPECT_EQ(shortTotals.value, "");
}

TEST_F(OperationsTest, StatusReadOfTheWrongLengthZeroesItsCopy) {
  auto& link = Link(true);
  ASSERT_TRUE(link.UsesExtendedStatus());
  Answer("1209", "111111");
  ASSERT_TRUE(link.ReadStatus1209());
  EXPECT_TRUE(link.IsCoverOpen());
  EXPECT_TRUE(link.IsCutterError());
  Answer("1209", "11111");
  const LinkStatus shortReply = link.ReadStatus1209();
  EXPECT_FALSE(shortReply);
  EXPECT_EQ(shortReply.error.text,
            "8002;Numar invalid de caractere returnate fata de cel asteptat");
  EXPECT_EQ(link.StatusCopyForTest(1209), std::string(6, '\0'));
  EXPECT_FALSE(link.IsCoverOpen());
  Answer("1209", "1a0000");
  const LinkStatus notDigits = link.ReadStatus1209();
  EXPECT_FALSE(notDigits);
  EXPECT_EQ(notDigits.error.text, "8031;Valoarea returnata nu este numerica ");
  // A failed send keeps the previous copy; status reads are sent up to 3 times.
  AnswerRaw("1209", {});
  dev_.ClearRecorded();
  EXPECT_FALSE(link.ReadStatus1209());
  EXPECT_EQ(Sent().size(), 3u);
  EXPECT_EQ(link.StatusCopyForTest(1209), "1a0000");
}

TEST_F(OperationsTest, ExtendedStatusReadsFiveCommands) {
  auto& link = Link(true);
  Answer("1209", "010010");
  Answer("1010", "10000000000");
  Answer("1211", "00001");
  Answer("1111", "010042");
  Answer("1112", "30042");
  const LinkStatus read = link.ReadStatus(false);
  ASSERT_TRUE(read) << read.error.text;
  EXPECT_EQ(Sent(), (Strings{"1209", "1010", "1211", "1111", "1112"}));
  EXPECT_TRUE(link.IsPaperOut());
  EXPECT_TRUE(link.IsJournalNearFull());
  EXPECT_FALSE(link.IsCoverOpen());
  EXPECT_TRUE(link.IsFiscalMemoryMissing());
  EXPECT_TRUE(link.IsNotFiscalized());
  EXPECT_TRUE(link.IsFiscalMemoryFull());
  EXPECT_FALSE(link.IsFiscalReceiptOpen());
  EXPECT_TRUE(link.IsNonFiscalReceiptOpen());
  EXPECT_TRUE(link.IsReceiptInSales());
  EXPECT_EQ(link.ReceiptStateStage().Text(), "3");
  EXPECT_EQ(link.ReceiptNumber(), "0042");
  EXPECT_FALSE(link.IsJournalMissing());
}

// The state read's stage is its reply's first character; a refused or short
// reply leaves the blank, while the in-sales flag of a refused one stays.
TEST_F(OperationsTest, ReceiptStateReadGivesTheStageOfTheFirstCharacter) {
  auto& link = Link(true);
  EXPECT_TRUE(link.ReceiptStateStage().Empty());  // nothing read yet
  Answer("1112", "30042");
  ASSERT_TRUE(link.ReadReceiptState());
  EXPECT_EQ(link.ReceiptStateStage().Text(), "3");
  EXPECT_TRUE(link.ReceiptStateStage().InSales());
  Answer("1112", "ERR21");
  EXPECT_FALSE(link.ReadReceiptState());
  EXPECT_TRUE(link.ReceiptStateStage().Blank());
  EXPECT_EQ(link.ReceiptStateStage().Text(), " ");
  EXPECT_TRUE(link.IsReceiptInSales());
  Answer("1112", "60042");
  ASSERT_TRUE(link.ReadReceiptState());
  EXPECT_TRUE(link.ReceiptStateStage().Closed());
  EXPECT_FALSE(link.IsReceiptInSales());
  Answer("1112", "3004");
  EXPECT_FALSE(link.ReadReceiptState());
  EXPECT_TRUE(link.ReceiptStateStage().Blank());
  EXPECT_FALSE(link.IsReceiptInSales());
  // The stage command's reply is kept whole, whatever its length: its readers
  // must answer for texts of several characters too.
  Answer("1012", "23");
  const LinkResult<ReceiptStage> stage = link.ReadReceiptStage();
  ASSERT_TRUE(stage);
  EXPECT_EQ(stage.value.Text(), "23");
}

TEST_F(OperationsTest, ClassicStatusReadsOneCommand) {
  auto& link = Link(false);
  Answer("1215",
         "0110001000"
         "0110100100");
  ASSERT_TRUE(link.ReadStatus(false));
  EXPECT_EQ(Sent(), Strings{"1215"});
  EXPECT_TRUE(link.IsPaperOut());           // 2
  EXPECT_TRUE(link.IsPaperNearEnd());       // 3
  EXPECT_TRUE(link.IsCoverOpen());          // 4 is "0"
  EXPECT_FALSE(link.IsCutterError());       // 5
  EXPECT_TRUE(link.IsNotFiscalized());      // 8 is "0"
  EXPECT_TRUE(link.IsJournalMissing());     // 10 is "0"
  EXPECT_TRUE(link.IsJournalFull());        // 12
  EXPECT_TRUE(link.IsFiscalReceiptOpen());  // 15
  EXPECT_FALSE(link.IsNonFiscalReceiptOpen());
}

TEST_F(OperationsTest, ClockSyncSetsTheComputersTimeWhenTheyDiffer) {
  auto& link = Link(true);
  Answer("1010", "00000001000");
  const QTime now = QTime::currentTime();
  const QTime other = now.addSecs(2 * 3600);
  Answer("1001", "050324" + other.toString("hhmm").toStdString());
  Answer("2001", "0");
  ASSERT_TRUE(link.ReadStatus1010(true));
  ASSERT_EQ(Sent().size(), 3u);
  EXPECT_EQ(Sent()[1], "1001");
  EXPECT_EQ(Sent()[2].substr(0, 10),
            "2001"
            "05"
            "03"
            "24");
  // A device clock that is not a number stops the sync.
  Answer("1001", "05032x1200");
  dev_.ClearRecorded();
  ASSERT_TRUE(link.ReadStatus1010(true));
  EXPECT_EQ(Sent(), (Strings{"1010", "1001"}));
}

}  // namespace
}  // namespace vorn
