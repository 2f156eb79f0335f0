#include <QStringList>
#include <algorithm>

#include "ExecHarness.h"

namespace vorn::test {
namespace {

using FiscalRun = ExecTest;

// Index of the first logged command that begins with `prefix` at or after `from`; -1 when none.
int IndexOf(const QStringList& log, const std::string& prefix, int from = 0) {
  for (int i = from; i < log.size(); ++i) {
    if (log[i].toStdString().rfind(prefix, 0) == 0) return i;
  }
  return -1;
}

TEST_F(FiscalRun, SaleWithPaymentPrintsOneReceiptAndAnswersItsNumber) {
  settings.Delay = -250;  // a negative pause counts as none
  ASSERT_TRUE(RunFile({"1;PAINE ALBA;BUC;1;1;350;200000", "1;LAPTE;L;1;2;799;100000", "5;1499;1"}));
  EXPECT_EQ(answers, std::vector<std::string>{"0 OK"});
  ASSERT_FALSE(answerSlots.FiscalReceiptNumber.empty());
  EXPECT_EQ(std::stoi(answerSlots.FiscalReceiptNumber), sim.LastReceiptNumber());
  EXPECT_EQ(sim.ReceiptsPrinted(), 1);
  EXPECT_NE(Roll().find("PAINE ALBA"), std::string::npos);
  EXPECT_NE(Roll().find("LAPTE"), std::string::npos);
  EXPECT_EQ(Count("3011"), 1);
  EXPECT_EQ(Count("3015"), 1);  // ModTaiere 0: full cut
  // The sale goes out with the units of the file: 3.50 x 2, department 1, VAT 1.
  EXPECT_EQ(Count("330210010000003500110PAINE ALBA04 BUC0002000000001"), 1);
  EXPECT_NE(std::find_if(log.begin(), log.end(),
                         [](const std::string& l) {
                           return l.find("-Calculator : 3011") != std::string::npos;
                         }),
            log.end());
}

TEST_F(FiscalRun, PartialCutWithFeedLinesWhenAsked) {
  settings.ModTaiere = 1;
  settings.LiniiAvans = 3;
  ASSERT_TRUE(RunFile({"1;A;BUC;1;1;100;100000", "5;100;1"}));
  EXPECT_EQ(Count("30143"), 1);
  EXPECT_EQ(Count("3015"), 0);
}

TEST_F(FiscalRun, DisplayLinesWaitForTheCloseAndBarcodesAndTrailersFollowIt) {
  ASSERT_TRUE(
      RunFile({"1;A;BUC;1;1;100;100000", "10;TOTAL;1.00", "16;2;0;50;5941234567890",
               "12;1;MULTUMIM", "16;1;1;40;123456", "5;100;1", "10;LA REVEDERE", "12;2;;1"}));
  EXPECT_EQ(LastAnswer(), "0 OK");
  const QStringList cmds = sim.CommandLog();
  int pay = IndexOf(cmds, "3007");
  int display1 = IndexOf(cmds, "7007TOTAL" + std::string(15, ' ') + "1.00");
  int display2 = IndexOf(cmds, "7007LA REVEDERE", display1 + 1);
  int close = IndexOf(cmds, "3011");
  int barcode1 = IndexOf(cmds, "302302050013");
  int barcode2 = IndexOf(cmds, "3023011", barcode1 + 1);
  int trailer1 = IndexOf(cmds, "30121");
  int trailer2 = IndexOf(cmds, "30122", trailer1 + 1);
  int cut = IndexOf(cmds, "3015");
  ASSERT_GE(pay, 0);
  EXPECT_LT(pay, display1);
  EXPECT_LT(display1, display2);
  EXPECT_LT(display2, close);
  EXPECT_LT(close, barcode1);
  EXPECT_LT(barcode1, barcode2);
  EXPECT_LT(barcode2, trailer1);
  EXPECT_LT(trailer1, trailer2);
  EXPECT_LT(trailer2, cut);
  EXPECT_NE(Roll().find("MULTUMIM"), std::string::npos);
}

TEST_F(FiscalRun, LoneDisplayLineIsShownAtOnceAndClosesNothing) {
  ASSERT_TRUE(RunFile({"10;HELLO"}));
  EXPECT_EQ(answers, std::vector<std::string>{"0 OK"});
  EXPECT_EQ(Count("7007HELLO                                   "), 1);
  EXPECT_EQ(Count("3011"), 0);
}

TEST_F(FiscalRun, DailyTotalsAnswerThirtyTwoLinesWithoutAClose) {
  ASSERT_TRUE(RunFile({"17"}));
  EXPECT_EQ(LastAnswer(), "0 OK");
  ASSERT_EQ(written.totals.size(), 32u);
  EXPECT_EQ(written.totals[0].rfind("Numar Bonuri Fiscale efectuate\t", 0), 0u);
  EXPECT_EQ(written.totals[31].rfind("Total Adaosuri                \t", 0), 0u);
  EXPECT_EQ(Count("3011"), 0);
}

TEST_F(FiscalRun, TotalizerLineForTheCashInDrawer) {
  ASSERT_TRUE(RunFile({"27;19"}));
  ASSERT_EQ(written.totals.size(), 1u);
  EXPECT_EQ(written.totals[0].rfind("Numerar in sertar             \t", 0), 0u);
  EXPECT_EQ(Count("111319"), 1);
  EXPECT_EQ(Count("3011"), 0);
}

TEST_F(FiscalRun, FiscalSeriesIsReadAndEmptiedAtTheNextReceipt) {
  sim.SetFiscalSeries("ABC0001");
  ASSERT_TRUE(RunFile({"24"}));
  EXPECT_EQ(answerSlots.FiscalSeries, "ABC0001");
  EXPECT_EQ(Count("3011"), 0);
  ASSERT_TRUE(RunFile({"1;A;BUC;1;1;100;100000", "5;100;1"}));
  EXPECT_EQ(answerSlots.FiscalSeries, "");
}

TEST_F(FiscalRun, ReportsSendTheirCommandsAndNoClose) {
  ASSERT_TRUE(RunFile({"15"}));
  EXPECT_EQ(Count("2002"), 1);
  ASSERT_TRUE(RunFile({"30"}));
  EXPECT_EQ(Count("2003"), 1);
  ASSERT_TRUE(RunFile({"18;1;1;3"}));
  EXPECT_EQ(Count("500100010003"), 1);
  ASSERT_TRUE(RunFile({"19"}));
  EXPECT_EQ(Count("5004"), 1);
  ASSERT_TRUE(RunFile({"19;2;01;12;25;31;12;25"}));
  EXPECT_EQ(Count("5003011225311225"), 1);
  EXPECT_EQ(Count("3011"), 0);
  EXPECT_EQ(LastAnswer(), "0 OK");
}

TEST_F(FiscalRun, DiscountAndMarkupChooseTheirCommand) {
  ASSERT_TRUE(
      RunFile({"1;A;BUC;1;1;10000;100000", "7;0;0;0;0;250;1", "7;1;1;0;1000", "5;10000;1"}));
  const QStringList cmds = sim.CommandLog();
  int sub = IndexOf(cmds, "3003");
  int discount = IndexOf(cmds, "3302C0010000010000000");
  int markup = IndexOf(cmds, "330220010000002500000");
  EXPECT_GE(markup, 0);
  EXPECT_LT(markup, sub);
  EXPECT_LT(sub, discount);
  EXPECT_EQ(LastAnswer(), "0 OK");
}

TEST_F(FiscalRun, StornoLinesAndReturnables) {
  ASSERT_TRUE(RunFile({"1;A;BUC;1;1;1000;200000", "1;A;BUC;1;1;1000;100000;1;-", "100;200;1",
                       "101;50;1", "5;550;1"}));
  EXPECT_EQ(Count("33024001000001000010"), 1);
  EXPECT_EQ(Count("33024001000000200011"), 1);
  EXPECT_NE(Count("33024001000000200011"
                  "8STORNO PLATA AVANS"),
            0);
  EXPECT_EQ(Count("33024001000000050011"
                  "8AMBALAJ RETURNABIL"),
            1);
  EXPECT_EQ(LastAnswer(), "0 OK");
}

// Every amount of the file reaches the device digit for digit: prices and values
// in hundredths, quantities in hundred-thousandths, the denominator whole, and
// the rest the device reports paid in cash on closing.
TEST_F(FiscalRun, AmountsGoOutAsTheFileWritesThem) {
  EXPECT_TRUE(RunFile({"1;A;BUC;1;1;1050;250000;3", "7;0;0;0;0;250;1", "1;B;KG;2;2;999;12345",
                       "100;200;1", "101;50;1", "7;1;1;0;1000", "5;500;1"}));
  std::vector<std::string> money;
  for (const QString& c : sim.CommandLog()) {
    if (c.startsWith("3302") || c.startsWith("3007")) money.push_back(c.toStdString());
  }
  // Sales 875 + 250 + 123 - 200 - 50 = 998, less 10%: 898; 500 paid, 398 rest.
  EXPECT_EQ(money, (std::vector<std::string>{
                       "330210010000010500103  A04 BUC0002500000003",  // 10.50 x 2.5 / 3
                       "330220010000002500000",                        // markup 2.50
                       "330210020000009990203  B03 KG0000123450001",   // 9.99 x 0.12345
                       "330240010000002000118STORNO PLATA AVANS04 BUC0001000000001",
                       "330240010000000500118AMBALAJ RETURNABIL04 BUC0001000000001",
                       "3302C0010000010000000",  // discount 10.00%
                       "3007030000000000500",    // 5.00 paid
                       "3007030000000000398",    // 3.98 rest in cash
                   }));
  EXPECT_EQ(LastAnswer(), "0 OK");
}

// The odd form of negatives is what the device has always been sent.
TEST_F(FiscalRun, NegativeAmountsKeepTheirSignedParts) {
  EXPECT_FALSE(RunFile({"1;A;BUC;1;1;-105;-150000", "5;100;1"}));
  // -1.05 x -1.5
  EXPECT_EQ(Count("3302100100000-1-50103  A04 BUC00-1-500000001"), 1);
}

TEST_F(FiscalRun, StepMessageForEachCommandLine) {
  settings.MesajLaListareItem = true;
  ASSERT_TRUE(RunFile({"1;A;BUC;1;1;100;100000", "", "2;1;TEXT", "5;100;1"}));
  EXPECT_EQ(questions.steps,
            (std::vector<std::string>{"Listez Linia 1 : 1;A;BUC;1;1;100;100000",
                                      "Listez Linia 2 : 2;1;TEXT", "Listez Linia 3 : 5;100;1"}));
}

TEST_F(FiscalRun, FailingLineAnswersTheDeviceErrorAndStops) {
  ASSERT_FALSE(
      RunFile({"1;A;BUC;1;1;100;100000", "2;9;TEXT", "1;B;BUC;1;1;100;100000", "5;200;1"}));
  EXPECT_EQ(LastAnswer(), "8003;Parametrul FONT este eronat (1..6)");
  EXPECT_EQ(Count("33021"), 1);
  EXPECT_EQ(Count("3011"), 0);
}

TEST_F(FiscalRun, FailedCloseAnswersItsError) {
  lines = {"1;A;BUC;1;1;100;100000", "5;100;1"};
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim, [this](const QString& c) {
    if (c.startsWith("3011")) sim.RefuseNextCommand(21);  // refuses the command just arrived
  });
  ASSERT_FALSE(RunFile(lines));
  EXPECT_EQ(answers.size(), 1u);
  EXPECT_EQ(LastAnswer().rfind("21;", 0), 0u);
  EXPECT_EQ(Count("3015"), 0);
}

// The device books the receipt but its reply to the close is cut short, or the
// line drops right after the close: the answer is still the receipt and its number.
TEST_F(FiscalRun, CloseCarriedOutWithItsReplyLostAnswersTheReceipt) {
  for (const bool drop : {false, true}) {
    SCOPED_TRACE(drop ? "line dropped after the close" : "reply cut");
    auto armed = std::make_shared<bool>(true);
    auto conn = QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim,
                                 [this, armed, drop](const QString& c) {
                                   if (!*armed || c != "3011") return;
                                   *armed = false;
                                   if (drop) {
                                     sim.DropConnectionOnNextCommand();
                                   } else {
                                     sim.CutNextReply(1);
                                   }
                                 });
    const int voided = sim.PaperRoll().count("BON ANULAT");
    EXPECT_TRUE(RunFile({"1;A;BUC;1;1;100;100000", "5;100;1"}));
    QObject::disconnect(conn);
    EXPECT_EQ(LastAnswer(), "0 OK");
    ASSERT_FALSE(answerSlots.FiscalReceiptNumber.empty());
    EXPECT_EQ(std::stoi(answerSlots.FiscalReceiptNumber), sim.LastReceiptNumber());
    EXPECT_EQ(sim.PaperRoll().count("BON ANULAT"), voided);
  }
}

TEST_F(FiscalRun, FailureAfterTheCloseKeepsTheAnswerOkAndAddsTheHint) {
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim, [this](const QString& c) {
    if (c == "3015") sim.RefuseNextCommand(67);  // refuses the command just arrived
  });
  ASSERT_TRUE(RunFile({"1;A;BUC;1;1;100;100000", "5;100;1"}));
  EXPECT_EQ(LastAnswer(), "0 OK");
  EXPECT_EQ(answerSlots.OpenReceiptHint.rfind("67;", 0), 0u);
  const std::string advice =
      " transmiteti un bon nou sau verificati stare bon precedent cu comanda 9999";
  EXPECT_EQ(answerSlots.OpenReceiptHint.substr(answerSlots.OpenReceiptHint.size() - advice.size()),
            advice);
  EXPECT_FALSE(answerSlots.FiscalReceiptNumber.empty());
}

TEST_F(FiscalRun, ReceiptNumberReadLostAfterTheCloseIsAskedAgain) {
  auto closed = std::make_shared<bool>(false);
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim,
                   [this, closed](const QString& c) {
                     if (c == "3011") *closed = true;
                     // The first state read after the close is refused.
                     if (*closed && c == "1112") {
                       *closed = false;
                       sim.RefuseNextCommand(4);
                     }
                   });
  ASSERT_TRUE(RunFile({"1;A;BUC;1;1;100;100000", "5;100;1"}));
  EXPECT_EQ(LastAnswer(), "0 OK");
  ASSERT_FALSE(answerSlots.FiscalReceiptNumber.empty());
  EXPECT_EQ(std::stoi(answerSlots.FiscalReceiptNumber), sim.LastReceiptNumber());
}

TEST_F(FiscalRun, FileAnsweredWithAnErrorLeavesNoReceiptToFinishLater) {
  struct Case {
    const char* trigger;
    int refusal;  // 0: the connection drops at the next command instead
    std::string answer;
  };
  const Case cases[] = {{"3007", 3, "3;"}, {"3011", 61, "61;"}, {"3007", 0, "8048;"}};
  for (const Case& c : cases) {
    auto armed = std::make_shared<bool>(true);
    auto conn = QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim,
                                 [this, armed, c](const QString& cmd) {
                                   if (!*armed || !cmd.startsWith(c.trigger)) return;
                                   *armed = false;
                                   if (c.refusal) {
                                     sim.RefuseNextCommand(c.refusal);
                                   } else {
                                     sim.DropConnectionOnNextCommand();
                                   }
                                 });
    const int voided = sim.PaperRoll().count("BON ANULAT");
    EXPECT_FALSE(RunFile({"1;A;BUC;1;1;100;100000", "5;100;1"})) << c.answer;
    QObject::disconnect(conn);
    EXPECT_EQ(LastAnswer().rfind(c.answer, 0), 0u) << LastAnswer();
    EXPECT_EQ(sim.PaperRoll().count("BON ANULAT"), voided + 1) << c.answer;
    // The next file finishes nothing of this one.
    ASSERT_TRUE(RunFile({"1;B;BUC;1;1;100;100000", "5;100;1"}));
    EXPECT_TRUE(answerSlots.AutoFinalizedReceipt.empty()) << c.answer;
  }
}

TEST_F(FiscalRun, UnreachableDeviceAnswersTheLinkErrorAndHoldsNoLink) {
  settings.IP = "127.0.0.1";
  settings.LongTimeOut = 1;
  EXPECT_FALSE(RunFile({"1;A;BUC;1;1;100;100000", "5;100;1"}));
  EXPECT_EQ(answers, std::vector<std::string>{"8001;Eroare la deschiderea portului serial"});
}

}  // namespace
}  // namespace vorn::test
