#include "ExecHarness.h"

namespace vorn::test {
namespace {

using Recovery = ExecTest;

const std::vector<std::string> kSale = {"1;PAINE;BUC;1;1;350;100000", "1;LAPTE;BUC;1;1;500;100000",
                                        "5;850;1"};
const std::string kPaperOut = "16;Eroare lipsa hartie \x96 inlocuiti rola de hartie";

// Runs out of paper as the sale of `article` reaches the device, once.
void PaperOutAtSaleOf(sim::FiscalSimulator& sim, const QString& article) {
  auto fired = std::make_shared<bool>(false);
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim,
                   [&sim, fired, article](const QString& c) {
                     if (!*fired && c.startsWith("33021") && c.contains(article)) {
                       *fired = true;
                       sim.SetPaperOut(true);
                     }
                   });
}

TEST_F(Recovery, UnpaidReceiptLeftOpenIsVoidedBeforeTheFileRuns) {
  sim.SetReceiptInProgress(2);
  ASSERT_TRUE(RunFile(kSale));
  EXPECT_EQ(LastAnswer(), "0 OK");
  EXPECT_EQ(Count("33028"), 1);
  EXPECT_EQ(answerSlots.AutoFinalizedReceipt, "");
  EXPECT_FALSE(answerSlots.FiscalReceiptNumber.empty());
}

TEST_F(Recovery, PaidReceiptLeftOpenIsFinishedAndReported) {
  sim.SetReceiptInProgress(5);
  const int leftOpen = sim.LastReceiptNumber();
  ASSERT_TRUE(RunFile(kSale));
  EXPECT_EQ(LastAnswer(), "0 OK");
  EXPECT_EQ(Count("33028"), 0);
  ASSERT_FALSE(answerSlots.AutoFinalizedReceipt.empty());
  EXPECT_EQ(std::stoi(answerSlots.AutoFinalizedReceipt), leftOpen);
  EXPECT_NE(answerSlots.AutoFinalizedReceipt, answerSlots.FiscalReceiptNumber);
  EXPECT_EQ(sim.ReceiptsPrinted(), 2);
}

TEST_F(Recovery, NonFiscalReceiptLeftOpenIsClosed) {
  sim.SetReceiptInProgress(0, true);
  ASSERT_TRUE(RunFile(kSale));
  EXPECT_EQ(Count("4004"), 1);
  EXPECT_EQ(LastAnswer(), "0 OK");
}

TEST_F(Recovery, ReceiptStateCommandResolvesEachState) {
  struct Case {
    int stage;
    std::string notice;
    const char* command;  // the one recovery command sent, or none
  };
  const Case cases[] = {
      {3, "#1;BONUL FISCAL A FOST ANULAT. RETRANSMITETI BONUL FISCAL.", "33028"},
      {5, "#2;BONUL FISCAL A FOST FINALIZAT. PRELUCRATI BONUL IN APLICATIE.", "3014"},
      {0, "#0;NU EXISTA BON IN DERULARE", nullptr},
  };
  for (const Case& c : cases) {
    sim.SetReceiptInProgress(c.stage);
    const int voids = Count("33028"), finishes = Count("3014");
    ASSERT_TRUE(RunFile({"9999"})) << c.stage;
    EXPECT_EQ(answers, std::vector<std::string>{"0 OK"}) << c.stage;
    EXPECT_EQ(answerSlots.RecoveryNotice, c.notice);
    EXPECT_EQ(Count("33028") - voids, c.command && std::string(c.command) == "33028" ? 1 : 0);
    EXPECT_EQ(Count("3014") - finishes, c.command && std::string(c.command) == "3014" ? 1 : 0);
    EXPECT_EQ(Count("3011"), 0);
  }
}

TEST_F(Recovery, CancelWithNothingOpenIsRefused) {
  EXPECT_FALSE(RunFile({"14"}));
  EXPECT_EQ(answers, std::vector<std::string>{"8030;Nu exista nici un bon in derulare "});
  EXPECT_EQ(Count("33028"), 0);
}

TEST_F(Recovery, CancelVoidsAndFinishesTheOpenReceipt) {
  sim.SetReceiptInProgress(1);
  ASSERT_TRUE(RunFile({"14"}));
  EXPECT_EQ(LastAnswer(), "0 OK");
  EXPECT_EQ(Count("33028"), 1);
  EXPECT_EQ(Count("30140"), 1);
  EXPECT_EQ(Count("3011"), 0);
}

TEST_F(Recovery, PaperOutWithErrorModeZeroAnswersTheErrorAndAsksNothing) {
  settings.TratareEroareStare = 0;
  PaperOutAtSaleOf(sim, "LAPTE");
  EXPECT_FALSE(RunFile(kSale));
  EXPECT_EQ(LastAnswer(), kPaperOut);
  EXPECT_TRUE(questions.printerErrorTexts.empty());
  EXPECT_EQ(Count("33028"), 0);  // left open for the next file
}

TEST_F(Recovery, PaperOutConfirmedRestartsTheFileAndPrintsItOnce) {
  settings.TratareEroareStare = 1;
  settings.Delay = 5;
  PaperOutAtSaleOf(sim, "LAPTE");
  questions.printerErrorAnswers = {true};
  questions.beforePrinterErrorAnswer = [this] { sim.SetPaperOut(false); };
  ASSERT_TRUE(RunFile(
      {"1;PAINE;BUC;1;1;350;100000", "10;BUNA ZIUA", "1;LAPTE;BUC;1;1;500;100000", "5;850;1"}));
  EXPECT_EQ(LastAnswer(), "0 OK");
  EXPECT_EQ(questions.printerErrorTexts, std::vector<std::string>{kPaperOut});
  EXPECT_EQ(Count("33028"), 1);  // the first attempt is voided
  EXPECT_EQ(Count("3011"), 1);
  EXPECT_EQ(Count("7007BUNA ZIUA"), 1);  // kept-back display lines are not shown twice
  const std::string roll = Roll();
  EXPECT_EQ(roll.find("LAPTE"), roll.rfind("LAPTE"));
  EXPECT_NE(roll.find("LAPTE"), std::string::npos);
}

TEST_F(Recovery, PaperOutOnTheFirstSaleRestartsWithNothingToCancel) {
  settings.TratareEroareStare = 1;
  PaperOutAtSaleOf(sim, "PAINE");
  questions.printerErrorAnswers = {true};
  questions.beforePrinterErrorAnswer = [this] { sim.SetPaperOut(false); };
  ASSERT_TRUE(RunFile(kSale));
  EXPECT_EQ(LastAnswer(), "0 OK");
  EXPECT_EQ(Count("33028"), 0);
  EXPECT_EQ(Count("3011"), 1);
  EXPECT_EQ(sim.ReceiptsPrinted(), 1);
}

TEST_F(Recovery, PaperOutRefusedByTheOperatorAnswersTheError) {
  settings.TratareEroareStare = 1;
  PaperOutAtSaleOf(sim, "LAPTE");
  questions.printerErrorAnswers = {false};
  EXPECT_FALSE(RunFile(kSale));
  EXPECT_EQ(LastAnswer(), kPaperOut);
  EXPECT_EQ(questions.printerErrorTexts.size(), 1u);
  EXPECT_EQ(Count("3011"), 0);
}

TEST_F(Recovery, PaperOutAtTheCloseConfirmedFinishesTheReceipt) {
  for (int mode : {1, 0}) {
    settings.TratareEroareStare = mode;
    auto fired = std::make_shared<bool>(false);
    auto conn = QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim,
                                 [this, fired](const QString& c) {
                                   if (!*fired && c == "3011") sim.SetPaperOut(*fired = true);
                                 });
    questions.printerErrorAnswers = {true};
    questions.beforePrinterErrorAnswer = [this] { sim.SetPaperOut(false); };
    const int printed = sim.ReceiptsPrinted();
    EXPECT_EQ(RunFile(kSale), mode == 1);
    QObject::disconnect(conn);
    if (mode == 1) {
      EXPECT_EQ(answers, (std::vector<std::string>{kPaperOut, "0 OK"}));
      EXPECT_EQ(sim.ReceiptsPrinted(), printed + 1);
      EXPECT_FALSE(answerSlots.FiscalReceiptNumber.empty());
    } else {
      EXPECT_EQ(LastAnswer(), kPaperOut);
      sim.SetPaperOut(false);
    }
  }
}

TEST_F(Recovery, PaymentRefusedForPaperOutIsSentAgainOnceConfirmed) {
  settings.TratareEroareStare = 1;
  auto fired = std::make_shared<bool>(false);
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim,
                   [this, fired](const QString& c) {
                     if (!*fired && c.startsWith("3007")) sim.SetPaperOut(*fired = true);
                   });
  questions.printerErrorAnswers = {true};
  questions.beforePrinterErrorAnswer = [this] { sim.SetPaperOut(false); };
  ASSERT_TRUE(RunFile(kSale));
  EXPECT_EQ(LastAnswer(), "0 OK");
  EXPECT_EQ(Count("3007030000000000850"), 2);  // refused, then taken
  EXPECT_EQ(sim.ReceiptsPrinted(), 1);
  EXPECT_EQ(sim.PaperRoll().count("NUMERAR "), 1);
}

TEST_F(Recovery, TwentyFourHoursOfferTheZReportThenSellTheSameArticle) {
  settings.TratareEroareStare = 1;
  sim.Set24hSinceFirstReceipt(true);
  questions.zReportAnswers = {true};
  ASSERT_TRUE(RunFile(kSale));
  EXPECT_EQ(LastAnswer(), "0 OK");
  EXPECT_EQ(questions.zReportQuestions, 1);
  EXPECT_EQ(Count("2002"), 1);
  EXPECT_EQ(Count("33021"), 3);  // the refused one, then both sales
  EXPECT_EQ(sim.ReceiptsPrinted(), 1);
}

TEST_F(Recovery, TwentyFourHoursWithoutTheDialogFailTheSale) {
  sim.Set24hSinceFirstReceipt(true);
  EXPECT_FALSE(RunFile(kSale));
  EXPECT_EQ(LastAnswer().rfind("61;", 0), 0u);
  EXPECT_EQ(questions.zReportQuestions, 0);
  EXPECT_EQ(Count("2002"), 0);
}

TEST_F(Recovery, UnprogrammedPaymentIsResentWithTheConfiguredForm) {
  settings.TratareFormaPlata = 0;
  settings.CodFormaPlata = 1;
  sim.SetPaymentFormUnprogrammed(2, true);
  ASSERT_TRUE(RunFile({"1;PAINE;BUC;1;1;350;100000", "5;350;2"}));
  EXPECT_EQ(LastAnswer(), "0 OK");
  EXPECT_EQ(Count("3007020000000000350"), 1);
  EXPECT_EQ(Count("3007030000000000350"), 1);  // form 1 goes out as 03
}

TEST_F(Recovery, UnprogrammedPaymentWithTheOperatorsChoice) {
  settings.TratareFormaPlata = 1;
  sim.SetPaymentFormUnprogrammed(2, true);
  questions.paymentForms = {4};
  ASSERT_TRUE(RunFile({"1;PAINE;BUC;1;1;350;100000", "5;350;2"}));
  EXPECT_EQ(LastAnswer(), "0 OK");
  EXPECT_EQ(Count("3007040000000000350"), 1);
}

// The form the payment is resent with is not programmed either: the file fails
// with that payment's error and its receipt is not closed.
TEST_F(Recovery, ResentPaymentRefusedAgainFailsTheFile) {
  struct Case {
    int mode;
    std::vector<int> choice;
  };
  for (const Case& c : {Case{0, {}}, Case{1, {4}}}) {
    SCOPED_TRACE(c.mode);
    settings.TratareFormaPlata = c.mode;
    settings.CodFormaPlata = 4;
    questions.paymentForms.assign(c.choice.begin(), c.choice.end());
    sim.SetPaymentFormUnprogrammed(2, true);
    sim.SetPaymentFormUnprogrammed(4, true);
    EXPECT_FALSE(RunFile({"1;PAINE;BUC;1;1;350;100000", "5;350;2"}));
    EXPECT_EQ(LastAnswer().rfind("99;", 0), 0u) << LastAnswer();
    EXPECT_EQ(Count("3011"), 0);
    sim.SetPaymentFormUnprogrammed(2, false);
    sim.SetPaymentFormUnprogrammed(4, false);
  }
}

TEST_F(Recovery, UnprogrammedPaymentCancelledByTheOperatorVoidsTheReceipt) {
  settings.TratareFormaPlata = 1;
  sim.SetPaymentFormUnprogrammed(2, true);
  EXPECT_FALSE(RunFile({"1;PAINE;BUC;1;1;350;100000", "5;350;2"}));
  EXPECT_EQ(questions.paymentFormQuestions, 1);
  EXPECT_EQ(LastAnswer().rfind("99;", 0), 0u);
  EXPECT_EQ(Count("33028"), 1);
  EXPECT_EQ(Count("3011"), 1);
}

TEST_F(Recovery, JournalBelowFiveHundredFreeLinesRefusesTheFile) {
  answerSlots.JournalFreeLines = 20000;
  sim.SetJournalFreeLines(499);
  EXPECT_FALSE(RunFile(kSale));
  EXPECT_EQ(answers, std::vector<std::string>{
                         "EFECTUATI RAPORTUL FISCAL Z / CHEMATI TEHNICIANUL AUTORIZAT PENTRU "
                         "INLOCUIRE MEMORIE JE"});
  EXPECT_EQ(answerSlots.JournalFreeLines, 499);
  EXPECT_EQ(Count("33021"), 0);

  sim.SetJournalFreeLines(500);
  EXPECT_TRUE(RunFile(kSale));
  EXPECT_EQ(answerSlots.JournalFreeLines, 500);
}

TEST_F(Recovery, UnknownJournalCountRefusesNothing) {
  answerSlots.JournalFreeLines = -1;
  sim.SetJournalFreeLines(100);
  EXPECT_TRUE(RunFile(kSale));
}

TEST_F(Recovery, CoverOpenConfirmedLetsTheFileRun) {
  settings.TratareEroareStare = 1;
  sim.SetCoverOpen(true);
  questions.printerErrorAnswers = {true};
  questions.beforePrinterErrorAnswer = [this] { sim.SetCoverOpen(false); };
  EXPECT_TRUE(RunFile(kSale));
  ASSERT_EQ(questions.printerErrorTexts.size(), 1u);
  EXPECT_EQ(questions.printerErrorTexts[0].rfind("37;", 0), 0u);
}

TEST_F(Recovery, DeviceStateErrorsStopTheFile) {
  struct Case {
    std::function<void(sim::FiscalSimulator&, bool)> fault;
    std::string code;
  };
  const Case cases[] = {
      {[](sim::FiscalSimulator& s, bool on) { s.SetFiscalMemoryFull(on); }, "51;"},
      {[](sim::FiscalSimulator& s, bool on) { s.SetFiscalMemoryMissing(on); }, "50;"},
      {[](sim::FiscalSimulator& s, bool on) { s.SetPaperOut(on); }, "16;"},
      {[](sim::FiscalSimulator& s, bool on) { s.SetJournalFull(on); }, "30;"},
      {[](sim::FiscalSimulator& s, bool on) { s.SetCutterError(on); }, "67;"},
  };
  for (const Case& c : cases) {
    c.fault(sim, true);
    EXPECT_FALSE(RunFile(kSale)) << c.code;
    EXPECT_EQ(LastAnswer().rfind(c.code, 0), 0u) << LastAnswer();
    c.fault(sim, false);
  }
  EXPECT_EQ(Count("33021"), 0);
  EXPECT_TRUE(questions.printerErrorTexts.empty());
}

TEST_F(Recovery, HardErrorStaysTheAnswerWhenTheDisplayRefusesIt) {
  sim.SetJournalFull(true);
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim, [this](const QString& c) {
    if (c.startsWith("7007")) sim.RefuseNextCommand(56);  // refuses the command just arrived
  });
  EXPECT_FALSE(RunFile(kSale));
  EXPECT_EQ(Count("7007"), 1);
  EXPECT_EQ(answers,
            std::vector<std::string>{"30;Memoria JE este plina \x96 chemati tehnicanul autorizat"});
}

TEST_F(Recovery, JournalIsCheckedAlsoAfterAFailedDeviceCheck) {
  answerSlots.JournalFreeLines = 20000;
  sim.SetJournalFreeLines(499);
  sim.SetCutterError(true);
  EXPECT_FALSE(RunFile(kSale));
  // The journal's refusal replaces the device check's: the answer is written once.
  EXPECT_EQ(answers, (std::vector<std::string>{
                         "EFECTUATI RAPORTUL FISCAL Z / CHEMATI TEHNICIANUL AUTORIZAT PENTRU "
                         "INLOCUIRE MEMORIE JE"}));
  EXPECT_EQ(answerSlots.JournalFreeLines, 499);
  EXPECT_EQ(Count("33021"), 0);
}

// The answer holds the slots as they stood when it was settled: the warnings
// this preparation reads after refusing the file show from the next answer on.
TEST_F(Recovery, RefusedFileIsAnsweredWithTheWarningsKnownBeforeTheCheck) {
  sim.SetPaperNearEnd(true);
  sim.SetCutterError(true);
  EXPECT_FALSE(RunFile(kSale));
  EXPECT_EQ(written.message.rfind("67;", 0), 0u) << written.message;
  EXPECT_FALSE(written.slots.PaperNearEnd);
  EXPECT_TRUE(answerSlots.PaperNearEnd);

  sim.SetCutterError(false);
  EXPECT_TRUE(RunFile(kSale));
  EXPECT_EQ(written.message, "0 OK");
  EXPECT_TRUE(written.slots.PaperNearEnd);
}

TEST_F(Recovery, JournalFullIsNoErrorForManualReports) {
  sim.SetJournalFull(true);
  TXvornLinux link(true, true);
  const LinkOpening opening = link.OpenLink(1, 0, address);
  ASSERT_TRUE(opening) << opening.systemDetail;
  FileContext ctx = Context();
  ReceiptExecutor exec;
  EXPECT_TRUE(exec.CheckDeviceReady(link, 0, ctx));
  const LinkStatus ready = exec.CheckDeviceReady(link, 2, ctx);
  EXPECT_FALSE(ready);
  EXPECT_EQ(ready.error.text.rfind("30;", 0), 0u);
  link.CloseLink();
}

}  // namespace
}  // namespace vorn::test
