// Device trouble met by the real driver: receipts left open, paper out, the
// 24-hour rule, unprogrammed payment forms, a nearly full journal.
#include <functional>
#include <ostream>

#include "tests/integration/DriverTest.h"

namespace vorn::itest {
namespace {

const std::string kPaperOut =
    "16;Eroare lipsa hartie \x96"
    " inlocuiti rola de hartie";

// Commands the simulator received that begin with `prefix`.
int Sent(sim::FiscalSimulator& sim, const QString& prefix) {
  int n = 0;
  for (const QString& c : sim.CommandLog()) n += c.startsWith(prefix);
  return n;
}

// Runs `action` once, when the n-th command beginning with `prefix` arrives.
void On(sim::FiscalSimulator& sim, const QString& prefix, int n, std::function<void()> action) {
  auto seen = std::make_shared<int>(0);
  QObject::connect(&sim, &sim::FiscalSimulator::CommandReceived, &sim, [=](const QString& command) {
    if (command.startsWith(prefix) && ++*seen == n) action();
  });
}

std::string Questions(DriverHarness& h) { return h.ReadFile("operator-script.txt.log"); }

struct LeftOpen {
  const char* name;
  int stage;
  bool nonFiscal;
  std::string answer;
};

TEST_F(DriverTest, ReceiptLeftOpenIsResolvedBeforeTheNextFile) {
  const std::vector<LeftOpen> cases = {
      {"unpaid: voided", 2, false, "0 OK\r\nBON FISCAL NR. 0002\r\n"},
      {"paid: finished", 5, false,
       "0 OK\r\nBON FISCAL NR. 0004\r\nA FOST FINALIZAT AUTOMAT BONUL 0003\r\n"},
      {"non-fiscal: closed", 0, true, "0 OK\r\nBON FISCAL NR. 0005\r\n"},
  };
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    h.Sim().SetReceiptInProgress(c.stage, c.nonFiscal);
    EXPECT_EQ(h.Run(std::to_string(++n), kSale), c.answer);
  }
  EXPECT_EQ(CountOf(h.RollText(), "PAINE ALBA"), 3);
}

struct StateCase {
  int stage;
  std::string answer;
};

TEST_F(DriverTest, ReceiptStateCommandInEachState) {
  const std::vector<StateCase> cases = {
      {0, "0 OK\r\n#0;NU EXISTA BON IN DERULARE\r\n"},
      {1, "0 OK\r\n#1;BONUL FISCAL A FOST ANULAT. RETRANSMITETI BONUL FISCAL.\r\n"},
      {3, "0 OK\r\n#1;BONUL FISCAL A FOST ANULAT. RETRANSMITETI BONUL FISCAL.\r\n"},
      {4, "0 OK\r\n#1;BONUL FISCAL A FOST ANULAT. RETRANSMITETI BONUL FISCAL.\r\n"},
      {5, "0 OK\r\n#2;BONUL FISCAL A FOST FINALIZAT. PRELUCRATI BONUL IN APLICATIE.\r\n"},
      {6, "0 OK\r\n#2;BONUL FISCAL A FOST FINALIZAT. PRELUCRATI BONUL IN APLICATIE.\r\n"},
  };
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  for (const auto& c : cases) {
    SCOPED_TRACE("stage " + std::to_string(c.stage));
    h.Sim().SetReceiptInProgress(c.stage);
    EXPECT_EQ(h.Run("S", {"9999"}), c.answer);
    // Resolved: asked again, nothing is in progress any more.
    EXPECT_EQ(h.Run("S", {"9999"}), "0 OK\r\n#0;NU EXISTA BON IN DERULARE\r\n");
  }
}

TEST_F(DriverTest, CancelCommandNeedsAReceiptInProgress) {
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  EXPECT_EQ(h.Run("C", {"14"}), "1 ERROR\r\n8030;Nu exista nici un bon in derulare \r\n");
  EXPECT_EQ(Sent(h.Sim(), "33028"), 0);

  h.Sim().SetReceiptInProgress(2);
  EXPECT_EQ(h.Run("C", {"14"}), "0 OK\r\n");
  EXPECT_EQ(Sent(h.Sim(), "33028"), 1);
  EXPECT_EQ(h.Run("S", {"9999"}), "0 OK\r\n#0;NU EXISTA BON IN DERULARE\r\n");
}

// Paper runs out after the first article of the receipt (the simulator
// announces a command before it handles it).
void PaperOutAfterFirstSale(DriverHarness& h) {
  On(h.Sim(), "33021", 2, [&h] { h.Sim().SetPaperOut(true); });
}

TEST_F(DriverTest, PaperOutWithoutDialogAnswersTheError) {
  PaperOutAfterFirstSale(h);
  ASSERT_NO_FATAL_FAILURE(StartOnTcp({{"TratareEroareStare", "0"}}));
  EXPECT_EQ(h.Run("P", kSale), "1 ERROR\r\n" + kPaperOut + "\r\n");
  EXPECT_EQ(Sent(h.Sim(), "1309"), 0);  // nobody was asked to look at the printer

  // The receipt stays open until the next file, which voids it once paper is back.
  h.Sim().SetPaperOut(false);
  EXPECT_EQ(h.Run("Q", kSale), "0 OK\r\nBON FISCAL NR. 0002\r\n");
  EXPECT_EQ(Sent(h.Sim(), "33028"), 1);
}

TEST_F(DriverTest, PaperOutOperatorSaysNo) {
  PaperOutAfterFirstSale(h);
  h.WriteOperatorScript({"Nu"});
  ASSERT_NO_FATAL_FAILURE(StartOnTcp({{"TratareEroareStare", "1"}}));
  EXPECT_EQ(h.Run("P", kSale), "1 ERROR\r\n" + kPaperOut + "\r\n");
  EXPECT_EQ(CountOf(Questions(h), "Eroare imprimanta;" + kPaperOut + ";"), 1) << Questions(h);
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 0);
}

TEST_F(DriverTest, PaperOutOperatorReloadsAndTheFileRunsAgain) {
  PaperOutAfterFirstSale(h);
  // The operator says "Da" before loading paper, is asked again, then loads it.
  On(h.Sim(), "1309", 2, [this] { h.Sim().SetPaperOut(false); });
  h.WriteOperatorScript({"Da", "Da"});
  ASSERT_NO_FATAL_FAILURE(StartOnTcp({{"TratareEroareStare", "1"}}));
  EXPECT_EQ(h.Run("P", kSale), "0 OK\r\nBON FISCAL NR. 0002\r\n");
  EXPECT_EQ(CountOf(Questions(h), "Eroare imprimanta;" + kPaperOut + ";"), 2) << Questions(h);
  EXPECT_EQ(Sent(h.Sim(), "33028"), 1);     // the broken receipt was voided
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 2);  // ... and the whole file printed again
  EXPECT_EQ(CountOf(h.RollText(), "LAPTE"), 1);
}

TEST_F(DriverTest, ConnectionLostInTheMiddleOfAReceipt) {
  // Both articles are sold, then the line goes dead at the payment.
  On(h.Sim(), "33021", 2, [this] { h.Sim().DropConnectionOnNextCommand(); });
  ASSERT_NO_FATAL_FAILURE(StartOnTcp());
  EXPECT_EQ(h.Run("L", kSale), "1 ERROR\r\n8048;TIME OUT\r\n");
  // The unpaid receipt is voided at once, on a fresh connection, so that no
  // later file can finish it.
  EXPECT_EQ(Sent(h.Sim(), "33028"), 1);
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 1);
  EXPECT_EQ(CountOf(h.RollText(), "BON ANULAT"), 1);
  EXPECT_EQ(h.Run("M", kSale), "0 OK\r\nBON FISCAL NR. 0002\r\n");
  EXPECT_EQ(Sent(h.Sim(), "33028"), 1);
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 2);
}

struct Day24hCase {
  const char* name;
  int mode;
  std::vector<std::string> script;
  std::string answer;
  int zReports;
};

TEST_F(DriverTest, TwentyFourHoursSinceFirstReceipt) {
  const std::vector<Day24hCase> cases = {
      {"dialog, Da: Z report, then the same sale", 1, {"Da"}, "0 OK\r\nBON FISCAL NR. 0001\r\n", 1},
      {"dialog, Nu",
       1,
       {"Nu"},
       "1 ERROR\r\n61;Au trecut 24 ore de la ultimul raport fiscal Z\r\n",
       0},
      {"no dialog", 0, {}, "1 ERROR\r\n61;Au trecut 24 ore de la ultimul raport fiscal Z\r\n", 0},
  };
  ASSERT_TRUE(h.ListenTcp());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sim::FiscalSimulator& sim = h.Sim();
    const int zBefore = Sent(sim, "2002");
    sim.Set24hSinceFirstReceipt(true);
    h.WriteIni({{"TratareEroareStare", std::to_string(c.mode)}});
    h.WriteOperatorScript(c.script);
    ASSERT_TRUE(h.StartDriver());
    EXPECT_EQ(h.Run("Z", kSale), c.answer);
    EXPECT_EQ(Sent(sim, "2002") - zBefore, c.zReports);
    h.StopDriver();
    sim.SetReceiptInProgress(0);
  }
}

struct PaymentFormCase {
  const char* name;
  IniKeys ini;
  std::vector<std::string> script;
  std::string answer;
  const char* resentAs;  // device payment command of the second attempt
};

TEST_F(DriverTest, UnprogrammedPaymentForm) {
  // The file pays by form 4 (meal ticket), which the device does not know.
  const std::vector<std::string> lines = {"1;PAINE ALBA;BUC;1;1;350;100000", "5;350;4"};
  const std::vector<PaymentFormCase> cases = {
      {"resent with the configured form",
       {{"TratareFormaPlata", "0"}, {"CodFormaPlata", "1"}},
       {},
       "0 OK\r\nBON FISCAL NR. 0001\r\n",
       "300703"},
      {"operator picks credit card",
       {{"TratareFormaPlata", "1"}},
       {"3"},
       "0 OK\r\nBON FISCAL NR. 0002\r\n",
       "300701"},
  };
  ASSERT_TRUE(h.ListenTcp());
  h.Sim().SetPaymentFormUnprogrammed(4, true);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int resentBefore = Sent(h.Sim(), c.resentAs);
    h.WriteIni(c.ini);
    h.WriteOperatorScript(c.script);
    ASSERT_TRUE(h.StartDriver());
    EXPECT_EQ(h.Run("F", lines), c.answer);
    EXPECT_EQ(Sent(h.Sim(), c.resentAs) - resentBefore, 1);
    h.StopDriver();
  }

  // "Anuleaza bon": the receipt is voided and the payment's error answered.
  h.WriteIni({{"TratareFormaPlata", "1"}});
  h.WriteOperatorScript({"0"});
  ASSERT_TRUE(h.StartDriver());
  const std::string answer = h.Run("F", lines);
  EXPECT_EQ(answer, "1 ERROR\r\n99;Lipseste forma de plata\r\n");
  EXPECT_EQ(h.Sim().ReceiptsPrinted(), 3);  // the voided one counts
  EXPECT_EQ(h.Run("S", {"9999"}), "0 OK\r\n#0;NU EXISTA BON IN DERULARE\r\n");
}

struct JournalCase {
  qint64 freeLines;
  std::string answer;
};

void PrintTo(const JournalCase& c, std::ostream* os) { *os << c.freeLines << " free lines"; }

class JournalFreeLinesTest : public DriverTest,
                             public ::testing::WithParamInterface<JournalCase> {};

TEST_P(JournalFreeLinesTest, BeforeAReceipt) {
  ASSERT_TRUE(h.ListenTcp());
  h.Sim().SetJournalFreeLines(GetParam().freeLines);
  h.WriteIni();
  ASSERT_TRUE(h.StartDriver());
  EXPECT_EQ(h.Run("J", kSale), GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Integration, JournalFreeLinesTest,
    ::testing::Values(
        JournalCase{499,
                    "1 ERROR\r\nEFECTUATI RAPORTUL FISCAL Z / CHEMATI TEHNICIANUL AUTORIZAT "
                    "PENTRU INLOCUIRE MEMORIE JE\r\n"},
        JournalCase{500, "0 OK\r\nBON FISCAL NR. 0001\r\n"},
        JournalCase{501,
                    "0 OK\r\nBON FISCAL NR. 0001\r\nNUMARUL DE LINII LIBERE IN JE = 501/  CHEMATI "
                    "TEHNICIANUL AUTORIZAT PENTRU INLOCUIREA MEMORIEI JE\r\n"},
        JournalCase{
            99999,
            "0 OK\r\nBON FISCAL NR. 0001\r\nNUMARUL DE LINII LIBERE IN JE = 99999/  CHEMATI "
            "TEHNICIANUL AUTORIZAT PENTRU INLOCUIREA MEMORIEI JE\r\n"}),
    [](const auto& info) { return "Lines" + std::to_string(info.param.freeLines); });

}  // namespace
}  // namespace vorn::itest
